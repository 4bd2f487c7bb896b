#pragma once
// Creating, editing, previewing, removing, checking and repairing the
// program's toolbar buttons: the decisions and registry work behind the
// window's buttons and the command line's commands, with no window of their
// own. Each returns what became of it as data (ButtonOutcome); the window and
// the command line word it for the user.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "model/button_definition.h"
#include "model/button_fields.h"
#include "operations/health_check.h"
#include "storage/button_change.h"
#include "storage/button_keys.h"
#include "storage/change_journal.h"
#include "storage/my_buttons_catalogue.h"

namespace barsmith {

// What to do when My Buttons names another button of the text being given:
// keep it (nothing is written), replace it, or replace it only when it is
// still the button of `guid` (the one the user agreed to replace).
struct ReplacePolicy {
    enum class Mode { Keep, Any, Only };
    Mode mode = Mode::Keep;
    std::wstring guid;
    bool Allows(const std::wstring& earlier) const;
};

// What became of a request: done, or why not, with the keys, places and
// status codes involved, and what settling other copies' changes found first.
struct ButtonOutcome {
    enum class Kind {
        Done,          // a reading (preview, load, check, repair) done
        Created,
        Saved,
        Removed,       // every key of the button deleted, and its entry when it has one
        AlreadyGone,   // the button has no key in either hive; its entry, if any, left My Buttons (`entryStatus`)
        MissingField,  // `row` is required and left empty: nothing written
        BadText,       // `row` holds `problem`: nothing written
        NoGuid,        // `guid` is no GUID string to name a key; a removal still takes the entry (`entryStatus`)
        KeyExists,     // a key of `guid` is at `place` already: left as it is, nothing written
        NotReplaced,   // My Buttons names another button of the text, kept by the policy: nothing written
        Busy,          // another copy of the program held the lock too long: nothing done
        ListChanged,   // My Buttons or the key changed since the button was shown or loaded: nothing done
        NotOurs,       // the key at `place` is no button of this program's, or cannot be read (`status`):
                       // left as it is; a removal still takes the entry (`entryStatus`)
        HasSubKeys,    // the key at `place` holds sub-keys, which no button has: nothing deleted
        Unreadable,    // the key at `place` could not be read (`status`): nothing deleted
        CatalogueLocked,  // My Buttons cannot be changed (`status`): nothing done
        NotNoted,      // the change could not be noted in the journal first (`status`): nothing written
        NotWritten,    // a registry step refused (`failure`); `undone` says what became of what was written
        NotRecorded,   // My Buttons refused the entry (`status`); `undone` as for NotWritten
        NotDeleted,    // the keys at `left` could not be deleted: the button stays
        NotUnlisted,   // the keys are gone, but My Buttons refused to remove the entry (`status`)
        NoButtonKey,   // a button to edit has no key in either hive
    };
    Kind kind = Kind::Done;
    std::wstring text{};   // the button's text
    std::wstring entry{};  // its entry in My Buttons before the request: the text, or the entry saved or removed
    std::wstring guid{};
    const ButtonField* row = nullptr;  // MissingField, BadText
    std::optional<TextProblem> problem{};
    std::wstring value{};  // BadText: the text of `row` that is wrong
    std::wstring earlier{};  // NotReplaced: the GUID of the button My Buttons names under the text
    KeyPlace place{};
    LSTATUS status = ERROR_SUCCESS;
    std::optional<KeyFailure> failure{};
    // A change that failed part-way: how many places it had written, and the
    // places it could not take back or put back as they were.
    size_t written = 0;
    std::vector<PlaceStatus> undone{};
    std::vector<PlaceStatus> left{};  // NotDeleted
    LSTATUS entryStatus = ERROR_SUCCESS;  // removing the entry of a button that is gone or not ours
    bool replacing = false;  // a creation meant to replace another button of its text, which stays
    ChangeResult leftOver{};  // done, but keys were left behind or the earlier entry kept
    SettleReport settled{};

    bool Succeeded() const;
    // A removal that took the entry out of My Buttons, also when the key it
    // named is another program's, or no key, and stays.
    bool Unlisted() const;
};

// What a click in the list shows: the GUID recorded for the button text, and
// what the button's key describes, each empty when not found.
struct ButtonPreview {
    std::wstring guid;
    std::wstring iconPath;
    std::optional<ButtonDefinition> described;  // when there is a key
    ButtonOutcome outcome;
};

struct LoadedButton {
    std::optional<ButtonDefinition> button;
    ButtonOutcome outcome;
};

struct CheckResult {
    std::vector<Finding> findings;
    ButtonOutcome outcome;  // Busy: no findings
};

struct RepairResult {
    std::vector<Finding> repaired;
    std::vector<ButtonOutcome> refused;  // repairs the registry or My Buttons refused
    ButtonOutcome outcome;
};

class ToolbarButtons {
public:
    ToolbarButtons(RegistryApi& api, const MyButtonsCatalogue& catalogue)
        : keys_(api), catalogue_(catalogue), journal_(api, catalogue.Application()) {}

    // Validates the button, writes its key (in both views for a machine-wide
    // button) and records it in the catalogue. A catalogued button of the same
    // text is replaced, when the policy says so, only once the new one is in place.
    ButtonOutcome Create(const ButtonDefinition& button, ReplacePolicy policy) const;
    // `entry` is the catalogue entry exactly as listed.
    ButtonPreview Preview(const std::wstring& entry) const;
    // `guid` is the one shown by the last preview of `entry`.
    ButtonOutcome Remove(const std::wstring& guid, const std::wstring& entry) const;
    // Deletes the keys of `guid` when they are a button of this program's
    // kind that no entry of My Buttons names (one left behind); never a key
    // of another kind.
    ButtonOutcome RemoveUnlisted(const std::wstring& guid) const;

    // Whether the buttons and My Buttons agree (health_check.h), read through `indexFile`.
    CheckResult Check(const std::wstring& indexFile) const;
    // Repairs what can be of the findings, each found true again in the
    // registry first: an entry without a key leaves My Buttons, a key in one
    // view is copied into the other, a key of ours without an entry is listed
    // under its text, a journal that cannot be kept is made anew. Keys of
    // other kinds are never touched.
    RepairResult Repair(const std::vector<Finding>& findings) const;

    // The catalogued button of `entry` as its key holds it, to be edited;
    // nothing, with why, when it has no key of ours to edit.
    LoadedButton Load(const std::wstring& entry) const;
    // Saves an edited button: the button loaded from `entry`, with the GUID it
    // was loaded with. The key keeps its GUID; a changed text takes the entry
    // along (replacing another button of that text as the policy says), a
    // changed hive moves the key (the new one written first). A value that
    // cannot be written puts the earlier values back.
    ButtonOutcome Save(const ButtonDefinition& button, const std::wstring& entry, ReplacePolicy policy) const;

private:
    // Runs `work` holding the lock, settling what other copies left first;
    // the outcome `work` gives, or Busy, with what settling found.
    template <typename Work>
    ButtonOutcome Locked(Work work) const;
    template <typename Write>
    ButtonOutcome WithAgreedText(const ButtonDefinition& button, bool textIsNew, ReplacePolicy policy,
                                 Write write) const;
    // Notes the change, applies it, and on failure puts back what it wrote.
    ButtonOutcome Apply(const Change& change, JournalPlace place) const;
    ButtonOutcome WriteButton(const ButtonDefinition& button, const std::wstring& earlierGuid) const;
    ButtonOutcome SaveLocked(const ButtonDefinition& button, const std::wstring& entry,
                             const std::wstring& earlierGuid) const;
    ButtonOutcome RemoveLocked(const std::wstring& guid, const std::wstring& entry) const;
    ButtonOutcome RemoveUnlistedLocked(const std::wstring& guid) const;
    ButtonOutcome DeleteKeys(const std::wstring& guid, const std::wstring& entry,
                             const std::vector<FoundKey>& keys) const;
    ButtonOutcome Unlist(ButtonOutcome done) const;
    std::optional<ButtonOutcome> RepairOne(const Finding& finding) const;
    std::optional<ButtonOutcome> MakeViewsAlike(const std::wstring& guid, const std::wstring& entry) const;

    ButtonKeys keys_;
    const MyButtonsCatalogue& catalogue_;
    ChangeJournal journal_;
};

}  // namespace barsmith
