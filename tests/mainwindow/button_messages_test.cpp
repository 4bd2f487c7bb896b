// What the window tells of each outcome: the title and the words that carry
// what happened, and nothing for a request done in full.
#include "mainwindow/button_messages.h"

#include <gtest/gtest.h>

#include "model/button_fields.h"
#include "platform/names.h"

namespace barsmith {
namespace {

using Kind = ButtonOutcome::Kind;
using R = ButtonRequest;

constexpr wchar_t kGuid[] = L"{00000000-0000-0000-0000-00000000000A}";

ButtonOutcome Of(Kind kind, LSTATUS status = ERROR_SUCCESS) {
    ButtonOutcome outcome;
    outcome.kind = kind;
    outcome.text = L"Notes";
    outcome.entry = L"Old notes";
    outcome.guid = kGuid;
    outcome.place = {HKEY_CURRENT_USER, 0};
    outcome.status = status;
    return outcome;
}

ButtonOutcome Failed(Kind kind, KeyFailure::Step step, size_t written, bool undone) {
    ButtonOutcome outcome = Of(kind, ERROR_ACCESS_DENIED);
    outcome.failure = KeyFailure{step, {HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY}, L"MenuText", ERROR_ACCESS_DENIED};
    outcome.written = written;
    if (!undone) outcome.undone.push_back({{HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY}, ERROR_ACCESS_DENIED});
    return outcome;
}

TEST(ButtonMessagesTest, EachOutcomeIsToldUnderItsTitleWithWhatHappened) {
    const std::wstring userKey = FullExtensionKeyPath({HKEY_CURRENT_USER, 0}, kGuid);
    ButtonOutcome missing = Of(Kind::MissingField);
    missing.row = &FieldOf(ButtonDefinition{}, FieldId::Icon);
    ButtonOutcome badText = Of(Kind::BadText);
    badText.row = &FieldOf(ButtonDefinition{}, FieldId::ButtonText);
    badText.problem = TextProblem{badText.row, 0x1B};
    badText.value = L"a\x1B";
    ButtonOutcome replacing = Failed(Kind::NotRecorded, KeyFailure::Step::Record, 2, true);
    replacing.replacing = true;
    ButtonOutcome movedLeft = Of(Kind::Saved);
    movedLeft.leftOver.moved.refused.push_back({{HKEY_CURRENT_USER, 0}, ERROR_ACCESS_DENIED});
    ButtonOutcome replacedLeft = Of(Kind::Created);
    replacedLeft.leftOver.replaced = {kGuid, {}, {{HKEY_CURRENT_USER, 0}}};
    ButtonOutcome unlistedToo = Of(Kind::NotOurs);
    unlistedToo.entryStatus = ERROR_ACCESS_DENIED;
    ButtonOutcome unlisted = Of(Kind::NotOurs);
    unlisted.entry.clear();
    unlisted.status = ERROR_FILE_NOT_FOUND;
    ButtonOutcome settled = Of(Kind::Done);
    settled.settled.ignored.push_back({IgnoredNote::Why::GivenUp, JournalPlace::User, L"{G}"});

    const struct {
        ButtonOutcome outcome;
        ButtonRequest request;
        const wchar_t* title;  // of the last message; none: nothing is told
        const wchar_t* told;   // in the last message
        size_t count = 1;
    } table[] = {
        {Of(Kind::Created), R::Create, nullptr, nullptr, 0},
        {Of(Kind::Saved), R::Save, nullptr, nullptr, 0},
        {Of(Kind::Removed), R::Remove, nullptr, nullptr, 0},
        {Of(Kind::AlreadyGone), R::Remove, nullptr, nullptr, 0},
        {Of(Kind::Done), R::Preview, nullptr, nullptr, 0},
        {missing, R::Create, L"No Icon Chosen", L"Please choose the Default Icon     "},
        {badText, R::Save, L"Button Not Saved", L"The Button Text \"a\\u001B\" holds the control character U+001B"},
        {Of(Kind::NoGuid), R::Create, L"Button Not Created", L"has no GUID to name its registry key (\"{"},
        {Of(Kind::KeyExists), R::Create, L"Button Not Created", L"exists already"},
        {Of(Kind::Busy), R::Load, L"Barsmith", L"did not finish in time"},
        {Of(Kind::ListChanged), R::Save, L"Button Not Saved", L"has changed since it was loaded"},
        {Of(Kind::ListChanged), R::Remove, L"Button Not Deleted", L"has changed since it was shown"},
        {Of(Kind::NotNoted, kKeyIsLink), R::Create, L"Button Not Created", L"check --repair"},
        {Of(Kind::NotNoted, ERROR_ACCESS_DENIED), R::Remove, L"Button Not Deleted", L"could not note the change"},
        {Failed(Kind::NotWritten, KeyFailure::Step::WriteValue, 0, true), R::Create, L"Button Not Created",
         L"\"MenuText\" could not be written"},
        {Failed(Kind::NotWritten, KeyFailure::Step::Create, 1, true), R::Create, L"Button Not Created",
         L"removed again"},
        {Failed(Kind::NotWritten, KeyFailure::Step::Open, 2, false), R::Create, L"Button Not Created",
         L"must be deleted by hand"},
        {Failed(Kind::NotWritten, KeyFailure::Step::DeleteValue, 2, true), R::Save, L"Button Not Saved",
         L"put back as it was."},
        {Failed(Kind::NotWritten, KeyFailure::Step::Foreign, 2, false), R::Save, L"Button Not Saved",
         L"could not be put back as it was everywhere"},
        {replacing, R::Create, L"Button Not Created", L"The earlier button \"Notes\" is unchanged."},
        {Of(Kind::CatalogueLocked, ERROR_ACCESS_DENIED), R::Remove, L"Button Not Deleted", L"cannot be changed"},
        {Of(Kind::NoGuid), R::Remove, L"Barsmith", L"Incorrect Format:"},
        {Of(Kind::Unreadable, ERROR_ACCESS_DENIED), R::Remove, L"Button Not Deleted", L"It stays in My Buttons."},
        {Of(Kind::HasSubKeys), R::Remove, L"Button Not Deleted", L"holds sub-keys"},
        {Of(Kind::NotOurs), R::Remove, L"Button Not Deleted", L"The entry has left My Buttons."},
        {unlisted, R::Remove, L"Button Not Deleted", L", or cannot be read ("},
        {unlistedToo, R::Remove, L"Button Not Deleted", L"\"Old notes\" could not be removed from My Buttons", 2},
        {Of(Kind::NotUnlisted, ERROR_ACCESS_DENIED), R::Remove, L"Button Not Deleted", L"could not be removed"},
        {Of(Kind::NoButtonKey), R::Load, L"Button Not Edited", L"\"Old notes\" cannot be edited"},
        {Of(Kind::NotOurs), R::Load, L"Button Not Edited", L"is no toolbar button made by Barsmith"},
        {movedLeft, R::Save, L"Button Not Deleted", L"from where it was before"},
        {replacedLeft, R::Create, L"Button Not Deleted", L"is no button made by Barsmith and was left as it is"},
        {settled, R::Check, L"Barsmith", L"failed each time it was tried"},
    };
    for (const auto& row : table) {
        const std::vector<WindowMessage> told = OutcomeMessages(row.outcome, row.request);
        SCOPED_TRACE(row.told ? row.told : L"nothing");
        ASSERT_EQ(told.size(), row.count);
        if (!row.title) continue;
        EXPECT_EQ(told.back().title, row.title);
        const std::wstring& text = told.back().text;
        EXPECT_TRUE(text.find(row.told) != std::wstring::npos || told.front().text.find(row.told) != std::wstring::npos)
            << text;
        const Kind kind = row.outcome.kind;
        if (kind == Kind::KeyExists || kind == Kind::NotOurs || kind == Kind::HasSubKeys || kind == Kind::Unreadable) {
            EXPECT_NE(told.front().text.find(userKey), std::wstring::npos) << "the key is named";
        }
    }
}

TEST(ButtonMessagesTest, UnsettledChangesAreToldOnlyWhenAChangeIsAsked) {
    SettleReport report;
    Change change{Change::Kind::Save, kGuid, L"Notes"};
    ChangeResult result;
    result.failure = KeyFailure{KeyFailure::Step::WriteValue, {HKEY_CURRENT_USER, 0}, L"Exec", ERROR_ACCESS_DENIED};
    report.unsettled.push_back({change, result});
    EXPECT_EQ(SettledText(report, false), L"");
    EXPECT_NE(SettledText(report, true).find(L"The saving of the button \"Notes\""), std::wstring::npos);
    EXPECT_EQ(OutcomeMessages(ButtonOutcome{.settled = report}, R::Preview).size(), 0u);
    EXPECT_EQ(OutcomeMessages(ButtonOutcome{.settled = report}, R::Repair).size(), 1u);
}

}  // namespace
}  // namespace barsmith
