// What the command line tells on standard error of each outcome.
#include "cli/outcome_lines.h"

#include <gtest/gtest.h>

#include "platform/names.h"

namespace barsmith {
namespace {

using Kind = ButtonOutcome::Kind;
using R = CommandRequest;

constexpr wchar_t kGuid[] = L"{00000000-0000-0000-0000-00000000000B}";

ButtonOutcome Of(Kind kind, LSTATUS status = ERROR_SUCCESS, const std::wstring& entry = L"Notes") {
    ButtonOutcome outcome;
    outcome.kind = kind;
    outcome.text = L"Notes";
    outcome.entry = entry;
    outcome.guid = kGuid;
    outcome.place = {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY};
    outcome.status = status;
    return outcome;
}

TEST(OutcomeLinesTest, EachOutcomeIsOneLineThatSaysWhatHappenedAndWhatWasLeft) {
    const std::wstring key = FullExtensionKeyPath({HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, kGuid);
    ButtonOutcome notWritten = Of(Kind::NotWritten, ERROR_ACCESS_DENIED);
    notWritten.failure = KeyFailure{KeyFailure::Step::WriteValue, notWritten.place, L"Exec", ERROR_ACCESS_DENIED};
    notWritten.written = 1;
    notWritten.undone.push_back({notWritten.place, ERROR_ACCESS_DENIED});
    ButtonOutcome replacedLeft = Of(Kind::Created);
    replacedLeft.leftOver.replaced = {kGuid, {{notWritten.place, ERROR_ACCESS_DENIED}}, {}};
    ButtonOutcome entryKept = Of(Kind::NotOurs);
    entryKept.entryStatus = ERROR_ACCESS_DENIED;
    ButtonOutcome notDeleted = Of(Kind::NotDeleted);
    notDeleted.left.push_back({notDeleted.place, ERROR_ACCESS_DENIED});

    const struct {
        ButtonOutcome outcome;
        CommandRequest request;
        const wchar_t* told;  // none: nothing is told
    } table[] = {
        {Of(Kind::Removed), R::Remove, nullptr},
        {Of(Kind::Done, ERROR_SUCCESS, L""), R::Repair, nullptr},
        {Of(Kind::Busy), R::Read, kBusyLine},
        {Of(Kind::KeyExists), R::Create, L"exists already"},
        {Of(Kind::NotNoted, kKeyIsLink), R::Create, L"(its journal key is a registry link)"},
        {Of(Kind::NotNoted, ERROR_ACCESS_DENIED), R::Remove, L"It stays in My Buttons."},
        {notWritten, R::Create, L"could not all be taken back"},
        {replacedLeft, R::Create, L"the key of the button it replaced was left behind"},
        {Of(Kind::AlreadyGone), R::Remove, L"had no registry key in either hive"},
        {Of(Kind::AlreadyGone, ERROR_SUCCESS, L""), R::Remove, L"is neither in My Buttons nor"},
        {Of(Kind::NotOurs), R::Remove, L"is no toolbar button made by Barsmith"},
        {entryKept, R::Remove, L"could not be removed from My Buttons"},
        {notDeleted, R::Remove, L"could not be removed from:"},
        {Of(Kind::HasSubKeys), R::Remove, L"holds sub-keys"},
        {Of(Kind::CatalogueLocked, ERROR_ACCESS_DENIED), R::Remove, L"My Buttons cannot be changed"},
        {Of(Kind::NotRecorded, ERROR_ACCESS_DENIED), R::Repair, L"could not be listed in My Buttons"},
    };
    for (const auto& row : table) {
        const std::wstring lines = OutcomeLines(row.outcome, row.request);
        SCOPED_TRACE(row.told ? row.told : L"nothing");
        if (!row.told) {
            EXPECT_EQ(lines, L"");
            continue;
        }
        EXPECT_NE(lines.find(row.told), std::wstring::npos) << lines;
        const bool placed = row.outcome.kind == Kind::KeyExists || row.outcome.kind == Kind::NotOurs ||
                            row.outcome.kind == Kind::HasSubKeys || row.outcome.kind == Kind::NotDeleted;
        EXPECT_TRUE(!placed || lines.find(key) != std::wstring::npos) << "the key is named: " << lines;
    }
}

TEST(OutcomeLinesTest, UnsettledChangesAreToldOnlyByChangesAndIgnoredNotesByAnyCommand) {
    ButtonOutcome outcome = Of(Kind::Done);
    ChangeResult failed;
    failed.failure = KeyFailure{KeyFailure::Step::Foreign, {HKEY_CURRENT_USER, 0}, {}, kKeyIsLink};
    outcome.settled.unsettled.push_back({{Change::Kind::Remove, kGuid, L"Notes"}, failed});
    EXPECT_EQ(OutcomeLines(outcome, R::Read), L"");
    EXPECT_NE(OutcomeLines(outcome, R::Repair).find(L"The removal of the button \"Notes\", left by another copy"),
              std::wstring::npos);
    outcome.settled.ignored.push_back({IgnoredNote::Why::NotItsPlace, JournalPlace::Machine, L"{bad}"});
    EXPECT_NE(OutcomeLines(outcome, R::Read).find(L"machine-wide journal, \"{bad}\""), std::wstring::npos);
}

}  // namespace
}  // namespace barsmith
