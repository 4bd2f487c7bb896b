// Changes ended after each of their steps, as when the program is ended half
// way: the next copy of the program to take the buttons lock settles what was
// left, and the buttons and My Buttons agree again.
#include <gtest/gtest.h>

#include <functional>

#include "storage/change_journal.h"
#include "model/guid.h"
#include "operations/toolbar_buttons.h"
#include "support/consistency.h"
#include "support/extension_keys.h"
#include "support/fakes.h"
#include "support/scratch_key.h"

namespace barsmith {
namespace {

const ReplacePolicy kAny{ReplacePolicy::Mode::Any, {}};

using testing::RecordingRegistry;

// What a change starts from, made through `buttons`; `moved` is set to the
// button whose keys the change takes to the current user's hive.
struct Start {
    const ToolbarButtons& buttons;
    const MyButtonsCatalogue& catalogue;
    testing::MadeKeys& made;
    std::wstring& moved;
};

struct Change {
    const char* name;
    // Makes what the change starts from; gives the change.
    std::function<std::function<void(const ToolbarButtons&)>(const Start&)> prepare;
};

ButtonDefinition Button(testing::MadeKeys& made, const std::wstring& text, HKEY root = HKEY_LOCAL_MACHINE) {
    ButtonDefinition button{made.Add(CreateGUID()), L"C:\\Tools\\a.exe", L"C:\\Icons\\a.ico", L"",
                            text,                   L"Menu",             L"Status",           L"Tip"};
    button.rootKey = root;
    return button;
}

const Change kChanges[] = {
    {"create", [](const Start& start) {
         return [button = Button(start.made, L"Notes")](const ToolbarButtons& b) { b.Create(button, kAny); };
     }},
    {"create replacing another",
     [](const Start& start) {
         start.buttons.Create(Button(start.made, L"notes", HKEY_CURRENT_USER), kAny);
         return [button = Button(start.made, L"Notes")](const ToolbarButtons& b) { b.Create(button, kAny); };
     }},
    // The button replaced keeps its key: another entry still names it.
    {"create replacing a button a second entry names",
     [](const Start& start) {
         const ButtonDefinition earlier = Button(start.made, L"Notes");
         start.buttons.Create(earlier, kAny);
         start.catalogue.Record(L"Jots", earlier.guid);
         return [button = Button(start.made, L"Notes")](const ToolbarButtons& b) { b.Create(button, kAny); };
     }},
    {"save with a new text, hive and values replacing another",
     [](const Start& start) {
         start.buttons.Create(Button(start.made, L"Notes"), kAny);
         start.buttons.Create(Button(start.made, L"Jots", HKEY_CURRENT_USER), kAny);
         ButtonDefinition edited = *start.buttons.Load(L"Notes").button;
         edited.buttonText = L"Jots";
         edited.rootKey = HKEY_CURRENT_USER;
         edited.hotIcon = L"C:\\Icons\\hot.ico";
         start.moved = edited.guid;
         return [edited](const ToolbarButtons& b) { b.Save(edited, L"Notes", kAny); };
     }},
    {"save with a new case of the text",
     [](const Start& start) {
         start.buttons.Create(Button(start.made, L"Notes"), kAny);
         ButtonDefinition edited = *start.buttons.Load(L"Notes").button;
         edited.buttonText = L"NOTES";
         return [edited](const ToolbarButtons& b) { b.Save(edited, L"Notes", kAny); };
     }},
    {"remove",
     [](const Start& start) {
         start.buttons.Create(Button(start.made, L"Notes"), kAny);
         return [](const ToolbarButtons& b) { b.Remove(b.Preview(L"Notes").guid, L"Notes"); };
     }},
};

TEST(InterruptionTest, ChangesEndedAfterAnyStepAreSettledByTheNextHolderOfTheLock) {
    for (const Change& change : kChanges) {
        bool finished = false;
        for (int steps = 0; !finished; ++steps) {
            SCOPED_TRACE(std::string(change.name) + ", ended after step " + std::to_string(steps));
            testing::MadeKeys made;
            const testing::ScratchKey scratch;
            RecordingRegistry api;
            const MyButtonsCatalogue catalogue(api, scratch.Application());
            const ToolbarButtons buttons(api, catalogue);
            std::wstring moved;
            const auto run = change.prepare({buttons, catalogue, made, moved});

            api.interruptAfter = steps;
            try {
                run(buttons);
                finished = true;
            } catch (const testing::Interrupted&) {
            }
            api.interruptAfter = -1;

            // The next copy of the program, with a catalogue read afresh.
            const MyButtonsCatalogue next(api, scratch.Application());
            const ButtonOutcome settling = ToolbarButtons(api, next).Preview(L"Notes").outcome;
            EXPECT_TRUE(settling.Succeeded());
            EXPECT_TRUE(settling.settled.unsettled.empty() && settling.settled.ignored.empty());
            EXPECT_TRUE(testing::Consistent(api, next, made.Guids()));
            // A button being moved is wholly where it was (the change not begun) or
            // wholly where it goes, with its new entry, wherever the change was ended.
            const HKEY movedTo = SameGuid(next.GuidOf(L"Jots"), moved) ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
            for (const FoundKey& found : FindButtonKeys(api, moved)) EXPECT_EQ(found.place.root, movedTo);
            std::vector<IgnoredNote> ignored;
            EXPECT_TRUE(ChangeJournal(api, scratch.Application()).Pending(ignored).empty());
            EXPECT_TRUE(ignored.empty());
            ASSERT_LT(steps, 200) << "the change never finished";
        }
    }
}

}  // namespace
}  // namespace barsmith
