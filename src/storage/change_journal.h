#pragma once
// What a change of the buttons is about to do, written to Barsmith's own
// settings before the change's first step and deleted after its last, so
// that a copy of the program ended part-way (by the user, a crash, a logoff)
// leaves a note of it. Whoever takes the buttons lock next finishes or undoes
// that change before its own work, and the buttons and My Buttons agree again.
#include <windows.h>

#include <string>
#include <vector>

#include "storage/button_keys.h"
#include "storage/my_buttons_catalogue.h"

namespace barsmith {

struct JournalEntry {
    enum class Operation { Create, Save, Remove };
    Operation operation = Operation::Create;
    std::wstring guid{};     // the button's key
    std::wstring entry{};    // Create: its text; Save: the entry it was loaded from; Remove: its entry, if any
    std::wstring text{};     // Save: its new text
    std::wstring earlier{};  // Create and Save: the button of the same text it replaces, if any
    HKEY hive = HKEY_LOCAL_MACHINE;       // Save: where its key goes
    std::vector<RegistryValue> values{};  // Save: what its key holds afterwards
};

class ChangeJournal {
public:
    // Kept below HKEY_CURRENT_USER\Software\<application>\Journal, one key per button.
    ChangeJournal(RegistryApi& api, const std::wstring& application);

    // Writes the entry whole, replacing any earlier one of the same button.
    // A change must not begin when this fails.
    LSTATUS Begin(const JournalEntry& entry) const;
    // The change of the button is done, or undone: its entry goes.
    void End(const std::wstring& guid) const;
    // The entries of changes that began and did not end. One written only in
    // part is dropped: its change had not begun.
    std::vector<JournalEntry> Pending() const;

private:
    RegistryApi& api_;
    std::wstring path_;
};

// Finishes or undoes every change the journal holds, holding the buttons
// lock: a creation that My Buttons already names is finished, one it does
// not is undone; a save and a removal are finished. Entries whose change is
// settled go; what could not be settled stays for the next holder and is
// described in the text returned (empty when all went well).
std::wstring SettlePendingChanges(const ChangeJournal& journal, const ButtonKeys& keys,
                                  const MyButtonsCatalogue& catalogue);

}  // namespace barsmith
