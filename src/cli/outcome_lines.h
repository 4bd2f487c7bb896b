#pragma once
// What the command line tells on standard error of the outcomes of its
// commands: a line or a few for each thing to tell.
#include <string>

#include "operations/health_check.h"
#include "operations/toolbar_buttons.h"

namespace barsmith {

enum class CommandRequest { Create, Remove, Read, Repair };

// The lines for `outcome`, what settling other copies' changes found first;
// empty for a request done in full.
std::wstring OutcomeLines(const ButtonOutcome& outcome, CommandRequest request);

// What settling the changes other copies left did not do; changes still
// unsettled only when `changes`. Empty when there is nothing to tell.
std::wstring SettledLines(const SettleReport& report, bool changes);

// "The option --text "..." holds the control character U+000A." and its kin.
std::wstring TextProblemLine(const TextProblem& problem, const std::wstring& text);

// The finding's name and what exactly, as the columns of check's lines:
// "missing-file", "Exec: C:\\gone.exe does not exist".
const wchar_t* FindingName(Finding::Kind kind);
std::wstring FindingDetail(const Finding& finding);

inline constexpr wchar_t kBusyLine[] =
    L"Another copy of Barsmith is changing the toolbar buttons and did not finish in time. Please try again.";

}  // namespace barsmith
