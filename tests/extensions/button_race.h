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

// Answers Yes to every question and counts what else it is told.
class AgreeingMessageBox final : public MessageBoxSeam {
public:
    int Show(HWND, const std::wstring&, const std::wstring& title, UINT type) override {
        if ((type & MB_TYPEMASK) == MB_YESNO) return IDYES;
        if (title != L"Button Not Deleted") ++unexpected;  // a list that changed meanwhile is expected
        return IDOK;
    }
    int unexpected = 0;
};

// A current user's button whose "Exec" value is `marker`, so that the keys of
// one run can be told from every other key.
inline ButtonDefinition RaceButton(const std::wstring& text, const std::wstring& marker) {
    ButtonDefinition button{CreateGUID(), marker, L"C:\\Icons\\race.ico", L"", text, L"Race", L"Race", L"Race"};
    button.rootKey = HKEY_CURRENT_USER;
    return button;
}

// `count` rounds of: the shared text "Same" made again (replacing the one
// before), a text of this process's own, and every fourth round the shared
// one deleted. False when anything unexpected was told or failed.
inline bool RunRace(const ToolbarButtons& buttons, const AgreeingMessageBox& told, const std::wstring& marker,
                    const std::wstring& ownText, int count) {
    bool ok = true;
    for (int round = 0; round < count; ++round) {
        ok &= buttons.Create(RaceButton(L"Same", marker)).outcome == CreationOutcome::Created;
        ok &= buttons.Create(RaceButton(ownText + std::to_wstring(round), marker)).outcome == CreationOutcome::Created;
        if (round % 4 == 0) {
            const RemovalOutcome removed = buttons.Remove(buttons.Preview(L"Same").guid, L"Same");
            ok &= removed != RemovalOutcome::NotRemoved && removed != RemovalOutcome::Busy;
        }
    }
    return ok && told.unexpected == 0;
}

}  // namespace barsmith::testing
