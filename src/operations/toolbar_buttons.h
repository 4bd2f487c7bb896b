#pragma once
// Creating, previewing and removing the program's toolbar buttons: the
// decisions and registry work behind "Create Button", a click in the My Buttons
// list and "Delete Selected", with no window of their own. Every failure that
// leaves the registry or the catalogue other than the user asked is told in a
// message box; the callers only update their controls.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/button_definition.h"
#include "storage/button_keys.h"
#include "storage/button_change.h"
#include "storage/change_journal.h"
#include "operations/health_check.h"
#include "storage/my_buttons_catalogue.h"
#include "platform/message_box.h"

namespace barsmith {

enum class CreationOutcome {
    Created,
    MissingField,    // its message was shown; the caller carries out the follow-up
    BadText,         // a field holds what no entry may have: told; the caller shows the field
    NoGuid,          // none, or not a GUID string: nothing written
    KeyExists,       // a key of that GUID is in one of the hives: left untouched
    NotReplaced,     // the user kept the catalogued button of the same text
    NotWritten,      // the key could not be created, opened or filled; nothing is left of it
    NotRecorded,     // the catalogue refused the record; the new key is removed again
    Busy,            // another copy of the program held the lock too long: nothing done
    Saved,           // an edited button was saved
    ListChanged,     // the button being edited is no longer what its entry names: nothing written
};

struct CreationResult {
    CreationOutcome outcome = CreationOutcome::Created;
    FieldId missing = FieldId::Path;  // for MissingField and BadText
};

// What a click in the list shows: the GUID recorded for the button text and
// the "Icon" value of the button's key, each empty when not found.
struct ButtonPreview {
    std::wstring guid;
    std::wstring iconPath;
    std::wstring kind;  // KindText of the entry its key describes, when there is a key
};

enum class RemovalOutcome {
    Removed,      // every key of the button and its catalogue entry deleted
    AlreadyGone,  // the key was in no hive; the catalogue entry deleted
    NotOurs,      // the key is no button of this program: left untouched, told; the entry deleted
    NotRemoved,   // a key or the entry could not be deleted: told
    NoGuid,       // no GUID to name a key: told as a malformed path; the entry deleted
    ListChanged,  // the entry no longer names the button shown: told, nothing deleted
    Busy,         // another copy of the program held the lock too long: nothing done
};

// What settling the changes other copies left did not do, for the user;
// changes still unsettled only when `changes` (a change is asked for). Empty
// when there is nothing to tell.
std::wstring SettledText(const SettleReport& report, bool changes);

class ToolbarButtons {
public:
    ToolbarButtons(RegistryApi& api, const MyButtonsCatalogue& catalogue, MessageBoxSeam& messages, HWND owner)
        : keys_(api),
          catalogue_(catalogue),
          journal_(api, catalogue.Application()),
          messages_(messages),
          owner_(owner) {}

    // Validates the button, writes its key (in both views for a machine-wide
    // button) and records it in the catalogue. A catalogued button of the same
    // text is replaced, if the user agrees, only once the new one is in place.
    CreationResult Create(const ButtonDefinition& button) const;
    // The catalogue's entries, sorted as the list shows them.
    std::vector<std::wstring> Entries() const;
    // `entry` is the catalogue entry exactly as listed.
    ButtonPreview Preview(const std::wstring& entry) const;
    // `guid` is the one shown by the last preview of `entry`.
    RemovalOutcome Remove(const std::wstring& guid, const std::wstring& entry) const;
    // Deletes the keys of `guid` when they are a button of this program's
    // kind that no entry of My Buttons names (one left behind); never a key
    // of another kind.
    RemovalOutcome RemoveUnlisted(const std::wstring& guid) const;

    // Whether the buttons and My Buttons agree (health_check.h), read through
    // `indexFile`; nothing when the lock could not be had in time.
    std::optional<std::vector<Finding>> Check(const std::wstring& indexFile) const;
    // Repairs what can be of the findings, each found true again in the
    // registry first: an entry without a key leaves My Buttons, a key in one
    // view is copied into the other, a key of ours without an entry is listed
    // under its text. Keys of other kinds are never touched. What was repaired.
    std::vector<Finding> Repair(const std::vector<Finding>& findings) const;

    // The catalogued button of `entry` as its key holds it, to be edited;
    // nothing, with the user told why, when it has no key of ours to edit.
    std::optional<ButtonDefinition> Load(const std::wstring& entry) const;
    // Saves an edited button: the button loaded from `entry`, with the GUID it
    // was loaded with. The key keeps its GUID; a changed text takes the entry
    // along, a changed hive moves the key (the new one written first). A value
    // that cannot be written puts the earlier values back.
    CreationResult Save(const ButtonDefinition& button, const std::wstring& entry) const;

private:
    struct Notice {
        std::wstring text;
        std::wstring title;
        UINT type;
    };
    // Runs `work` holding the lock; what it tells is shown once the lock is
    // let go, so that no other copy of the program waits on a message box.
    // False, with the user told, when the lock could not be had. Work that
    // `changes` nothing is not told of a change another copy left unsettled.
    template <typename Work>
    bool Locked(Work work, bool changes = true) const;

    std::optional<CreationResult> Invalid(const ButtonDefinition& button, const wchar_t* title) const;
    // Runs `write` under the lock once the catalogued entry of the button's
    // text is still what the user agreed to replace, if anything.
    template <typename Write>
    CreationResult WithAgreedText(const ButtonDefinition& button, bool mayReplace, Write write) const;
    bool AskReplace(const ButtonDefinition& button) const;
    CreationResult WriteButton(const ButtonDefinition& button, const std::wstring& earlierGuid) const;
    void TellReplacedLeft(const ButtonDefinition& button, const KeysLeft& replaced) const;
    RemovalOutcome RemoveLocked(const std::wstring& guid, const std::wstring& entry) const;
    RemovalOutcome RemoveUnlistedLocked(const std::wstring& guid) const;
    RemovalOutcome DeleteKeys(const std::wstring& guid, const std::wstring& entry,
                              const std::vector<FoundKey>& keys) const;
    CreationResult SaveLocked(const ButtonDefinition& button, const std::wstring& entry,
                              const std::wstring& earlierGuid) const;
    RemovalOutcome Unlist(const std::wstring& entry, RemovalOutcome done) const;
    bool RepairOne(const Finding& finding) const;
    bool MakeViewsAlike(const std::wstring& guid, const std::wstring& entry) const;
    void Tell(const std::wstring& text, const std::wstring& title, UINT type = MB_OK | MB_ICONEXCLAMATION) const;

    ButtonKeys keys_;
    const MyButtonsCatalogue& catalogue_;
    ChangeJournal journal_;
    MessageBoxSeam& messages_;
    HWND owner_;
    mutable bool holding_ = false;
    mutable std::vector<Notice> held_;
};

}  // namespace barsmith
