#pragma once
// Creation, replacement and removal of buttons as a copy of the program does
// them, over the real registry: run by a test and, at the same time, by a
// second process (button_race.exe), to show that the two never interleave
// inside one change.
#include <windows.h>

#include <string>

#include "model/guid.h"
#include "operations/toolbar_buttons.h"

namespace barsmith::testing {

// A current user's button whose "Exec" value is `marker`, so that the keys of
// one run can be told from every other key.
inline ButtonDefinition RaceButton(const std::wstring& text, const std::wstring& marker) {
    ButtonDefinition button{CreateGUID(), marker, L"C:\\Icons\\race.ico", L"", text, L"Race", L"Race", L"Race"};
    button.rootKey = HKEY_CURRENT_USER;
    return button;
}

// `count` rounds of: the shared text "Same" made again (replacing the one
// before), a text of this process's own, and every fourth round the shared
// one deleted. False when anything failed or another copy's change was
// found unfinished; a list changed meanwhile by the other copy is expected.
inline bool RunRace(const ToolbarButtons& buttons, const std::wstring& marker, const std::wstring& ownText, int count) {
    using Kind = ButtonOutcome::Kind;
    const ReplacePolicy any{ReplacePolicy::Mode::Any, {}};
    bool ok = true;
    const auto created = [&](const ButtonOutcome& outcome) {
        return outcome.kind == Kind::Created && outcome.leftOver.Clean() && outcome.settled.Empty();
    };
    for (int round = 0; round < count; ++round) {
        ok &= created(buttons.Create(RaceButton(L"Same", marker), any));
        ok &= created(buttons.Create(RaceButton(ownText + std::to_wstring(round), marker), any));
        if (round % 4 == 0) {
            const ButtonOutcome removed = buttons.Remove(buttons.Preview(L"Same").guid, L"Same");
            ok &= removed.Succeeded() || removed.kind == Kind::ListChanged;
        }
    }
    return ok;
}

}  // namespace barsmith::testing
