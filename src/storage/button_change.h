#pragma once
// Carrying out a change of the buttons (change_journal.h): one function for
// each change as it is made and for a change a copy ended part-way left
// behind, and the step every operation goes through: take the buttons lock,
// settle what another copy left, then do its own work.
//
// Carrying out a change twice leaves the registry as once: a change ended at
// any step is simply carried out again. It touches only keys of the button
// class, only in the places the change names, and never a key of another
// program's, whatever the change says.
#include <windows.h>

#include <optional>
#include <utility>
#include <vector>

#include "storage/button_keys.h"
#include "storage/buttons_lock.h"
#include "storage/change_journal.h"
#include "storage/my_buttons_catalogue.h"

namespace barsmith {

// Which places a change may touch: a note the current user could have
// written alone reaches only the current user's keys.
enum class ChangeScope { Everywhere, CurrentUserOnly };

// Keys of a button a change was to delete and did not: those the system
// refused to delete, and those of another kind, which are never deleted.
struct KeysLeft {
    std::wstring guid{};
    std::vector<PlaceStatus> refused{};
    std::vector<KeyPlace> foreign{};
    bool Empty() const { return refused.empty() && foreign.empty(); }
};

// What carrying out a change did not do.
struct ChangeResult {
    std::optional<KeyFailure> failure{};  // the step that failed: the change is not done
    KeysLeft moved{};                     // its own keys: where it moved from, or all for a removal
    KeysLeft replaced{};                  // the keys of the button it replaced
    LSTATUS entryKept = ERROR_SUCCESS;    // its earlier entry could not be removed from My Buttons
    bool Done() const { return !failure; }
    bool Clean() const { return Done() && moved.Empty() && replaced.Empty() && entryKept == ERROR_SUCCESS; }
};

// Carries the change out. `undo` (for a change being made, not one settled)
// gathers the way back from its keys' writing, for when a later step fails.
ChangeResult ApplyChange(const Change& change, const ButtonKeys& keys, const MyButtonsCatalogue& catalogue,
                         ChangeScope scope = ChangeScope::Everywhere, std::vector<KeyUndo>* undo = nullptr);

// Whether a change of the button with these keys (and, for a replacement,
// the keys of the button it replaces) touches a machine-wide place.
bool TouchesMachine(const Change& change, const std::vector<FoundKey>& keys, const std::vector<FoundKey>& earlier);

// What settling the changes other copies left did not do.
struct SettleReport {
    std::vector<std::pair<Change, ChangeResult>> unsettled{};  // kept, to be tried again
    std::vector<std::pair<Change, ChangeResult>> leftBehind{};  // done, but keys were left behind
    std::vector<IgnoredNote> ignored{};                         // not carried out, and gone
    bool Empty() const { return unsettled.empty() && leftBehind.empty() && ignored.empty(); }
};

// Carries out every change the journal holds; a change done leaves the
// journal, one that failed stays for the next holder of the lock, until it
// has failed too often.
SettleReport SettlePendingChanges(const ChangeJournal& journal, const ButtonKeys& keys,
                                  const MyButtonsCatalogue& catalogue);

// Whether the lock was had, and what settling found.
struct Transaction {
    bool held = false;
    SettleReport settled{};
};

// Takes the buttons lock, settles what other copies left, then runs `work`.
template <typename Work>
Transaction RunLocked(RegistryApi& api, const MyButtonsCatalogue& catalogue, Work&& work) {
    const ButtonsLock lock;
    if (!lock.Held()) return {};
    Transaction transaction{true, SettlePendingChanges(ChangeJournal(api, catalogue.Application()), ButtonKeys(api),
                                                       catalogue)};
    work();
    return transaction;
}

}  // namespace barsmith
