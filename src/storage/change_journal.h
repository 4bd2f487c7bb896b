#pragma once
// A change of the buttons, described once: noted before its first step and
// removed after its last, so that a copy of the program ended part-way leaves
// the note behind, and whoever takes the buttons lock next carries it out.
//
// A note is kept where only someone allowed to make the change could have
// written it: a change that touches a machine-wide key under
// HKEY_LOCAL_MACHINE (the program's own key, below the user's
// SID), which only administrators may write; a change of the current user's
// keys alone under HKEY_CURRENT_USER. Each note is one value, named by the
// button's GUID, holding the whole change and its checksum: it is written and
// removed in one step, and has no key of its own that could be made a link.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry_key.h"

namespace barsmith {

struct Change {
    enum class Kind { Create, Save, Remove };
    Kind kind = Kind::Create;
    std::wstring guid{};     // the button's key
    std::wstring entry{};    // Save, Remove: the My Buttons entry it was listed under before, if any
    std::wstring text{};     // Create, Save: its entry afterwards; empty for a key no entry names
    std::wstring earlier{};  // Create, Save: the button of the same text it replaces, if any
    HKEY hive = HKEY_LOCAL_MACHINE;       // Create, Save: where its key goes
    std::vector<RegistryValue> values{};  // Create, Save: what its key holds afterwards
};

enum class JournalPlace { Machine, User };

struct PendingChange {
    Change change;
    JournalPlace place;
    uint32_t attempts = 0;  // settlings that failed before
};

// A note the journal held that was not carried out, and why. It is removed
// once read, so that it is told once.
struct IgnoredNote {
    enum class Why {
        Damaged,      // not a whole note of this program's (a wrong type, a wrong checksum, cut short)
        TooLarge,     // larger than any change of a button, or one note too many
        NotItsPlace,  // a note kept with the current user's settings that names a machine-wide change
        GivenUp,      // a change that failed each time it was tried
    };
    Why why;
    JournalPlace place;
    std::wstring name;  // the value's name as found
};

class ChangeJournal {
public:
    // Kept below Software\<application>\Journal.
    ChangeJournal(RegistryApi& api, const std::wstring& application);

    // The note of the change, replacing an earlier one of the same button. A
    // change must not begin when this fails.
    LSTATUS Begin(const Change& change, JournalPlace place) const;
    // The change of the button is done, or undone: its note goes.
    void End(const std::wstring& guid, JournalPlace place) const;
    // The changes begun and not ended, the machine-wide ones first. Notes that
    // are not sound, or kept where the change they name could not have been
    // noted, are removed and listed in `ignored`.
    std::vector<PendingChange> Pending(std::vector<IgnoredNote>& ignored) const;
    // Notes the change again, with one more failed attempt.
    LSTATUS Retried(const PendingChange& pending) const;

    // ERROR_SUCCESS when the journal of `place` can be written and kept: not
    // a link (kKeyIsLink), nor a key that ends with the session
    // (ERROR_CHILD_MUST_BE_VOLATILE), nor refused to the user. A missing one is sound.
    LSTATUS Health(JournalPlace place) const;
    // Deletes the journal key of `place`, with whatever was put below it, and
    // makes it anew. Its notes are lost: only for a journal that is not sound.
    LSTATUS Recreate(JournalPlace place) const;

    // Where the note of a change goes: with the machine's when it touches any machine-wide key.
    static JournalPlace PlaceFor(bool touchesMachine) {
        return touchesMachine ? JournalPlace::Machine : JournalPlace::User;
    }

private:
    HKEY Root(JournalPlace place) const;
    std::wstring Path(JournalPlace place) const;
    REGSAM View(JournalPlace place) const;
    LSTATUS Write(const PendingChange& pending) const;

    RegistryApi& api_;
    std::wstring userPath_;
    std::wstring machinePath_;
};

}  // namespace barsmith
