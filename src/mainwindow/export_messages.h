#pragma once
// What the window tells of an export that wrote nothing.
#include <string>

#include "operations/export.h"

namespace barsmith {

inline constexpr wchar_t kNotExportedTitle[] = L"Buttons Not Exported";

// The message box's text for an outcome other than Exported, ending with
// "Nothing was written."
std::wstring NotExportedText(const ExportOutcome& outcome, const ExportRequest& request);

}  // namespace barsmith
