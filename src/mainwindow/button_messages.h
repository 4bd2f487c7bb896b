#pragma once
// What the window tells of the outcomes of its requests to the buttons: the
// message boxes, in the order they are shown.
#include <windows.h>

#include <string>
#include <vector>

#include "operations/health_check.h"
#include "operations/toolbar_buttons.h"

namespace barsmith {

// What the window asked for.
enum class ButtonRequest { Create, Save, Remove, Preview, Load, Check, Repair };

struct WindowMessage {
    std::wstring text;
    std::wstring title;
    UINT type = MB_OK | MB_ICONEXCLAMATION;
};

// The message boxes for `outcome`: what settling other copies' changes found
// first, then what became of the request, if it is worth telling. None for a
// request done in full.
std::vector<WindowMessage> OutcomeMessages(const ButtonOutcome& outcome, ButtonRequest request);

// What settling the changes other copies left did not do; changes still
// unsettled only when `changes` (a change is asked for). Empty when there is
// nothing to tell.
std::wstring SettledText(const SettleReport& report, bool changes);

// "My Buttons holds a button "Notes" already..." and its title.
WindowMessage ReplaceQuestion(const std::wstring& text);

// What a finding of the check is, after the entry or GUID it concerns:
// "its Application C:\\gone.exe does not exist".
std::wstring FindingText(const Finding& finding);

// What kind of entry it is, in words: "toolbar button that starts a program".
std::wstring KindText(const ButtonDefinition& button);

}  // namespace barsmith
