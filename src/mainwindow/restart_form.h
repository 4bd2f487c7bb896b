#pragma once
// What the window hands to a copy of itself that it starts as administrator:
// the form as the user left it, on the new copy's command line, as
//   barsmith.exe window [--program PATH|--script PATH] [--icon PATH] ... [--user] [--edit ENTRY]
// with the create command's options. The new copy only fills its form with
// them: nothing is written until the user presses Create or Save there.
#include <optional>
#include <string>
#include <vector>

#include "model/button_definition.h"

namespace barsmith {

inline constexpr wchar_t kWindowCommand[] = L"window";

struct FormStart {
    ButtonDefinition form;  // the kind, texts, hive and visibility; no GUID
    std::optional<std::wstring> editedEntry;  // the My Buttons entry being edited
};

// The parameters that start a copy with this form; the GUID is not carried:
// an edited button's comes from its entry again.
std::wstring FormStartParameters(const FormStart& start);
// The form of such a command line (the arguments after the program's name);
// nothing when it is no "window" command or holds anything else.
std::optional<FormStart> ParseFormStart(const std::vector<std::wstring>& arguments);

}  // namespace barsmith
