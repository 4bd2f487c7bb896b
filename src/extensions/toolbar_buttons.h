#pragma once
// Creating, previewing and removing the program's toolbar buttons: the
// decisions and registry work behind "Create Button", a click in the My Buttons
// list and "Delete Selected", with no window of their own. Every failure that
// leaves the registry or the catalogue other than the user asked is told in a
// message box; the callers only update their controls.
#include <windows.h>

#include <optional>
#include <string>

#include "extensions/button_definition.h"
#include "extensions/my_buttons_catalogue.h"
#include "extensions/registry_access.h"
#include "platform/message_box.h"

namespace barsmith {

// The fields that creation requires, in the order they are checked.
enum class RequiredField { Application, DefaultIcon, ButtonText, MenuText, StatusBarText, ToolTip };

struct MissingFieldMessage {
    RequiredField field;
    const wchar_t* text;
    const wchar_t* title;
};

// The first required field without any character (blanks count as filled), or
// nothing when every required field is filled.
std::optional<MissingFieldMessage> FirstMissingField(const ButtonDefinition& button);

enum class CreationOutcome {
    Created,
    MissingField,    // its message was shown; the caller carries out the follow-up
    NoGuid,          // none, or not a GUID string: nothing written
    KeyExists,       // the existing key untouched
    NotReplaced,     // the user kept the catalogued button of the same text, or it could not be removed
    NotWritten,      // the key could not be created, opened or filled; nothing is left of it
    NotRecorded,     // the catalogue refused the record; the new key is removed again
};

struct CreationResult {
    CreationOutcome outcome = CreationOutcome::Created;
    RequiredField missing = RequiredField::Application;  // for MissingField
    // The catalogue changed although creation failed (an earlier button of the
    // same text was removed first): the list must be refilled.
    bool catalogueChanged = false;
};

// What a click in the list shows: the GUID recorded for the button text and
// the "Icon" value of the button's key, each empty when not found.
struct ButtonPreview {
    std::wstring guid;
    std::wstring iconPath;
};

enum class RemovalOutcome {
    Removed,      // key and catalogue entry deleted
    AlreadyGone,  // the key was in neither hive; the catalogue entry deleted
    NotRemoved,   // the key exists but could not be deleted; the entry kept
    NoGuid,       // no GUID to name a key: told as a malformed path; the entry deleted
};

class ToolbarButtons {
public:
    ToolbarButtons(const RegistryAccess& registry, const MyButtonsCatalogue& catalogue, MessageBoxSeam& messages,
                   HWND owner)
        : registry_(registry), catalogue_(catalogue), messages_(messages), owner_(owner) {}

    // Validates the button, writes its key and records it in the catalogue.
    CreationResult Create(const ButtonDefinition& button) const;
    ButtonPreview Preview(const std::wstring& buttonText) const;
    // `guid` is the one shown by the last preview, `buttonText` the selected entry.
    RemovalOutcome Remove(const std::wstring& guid, const std::wstring& buttonText) const;

private:
    bool ReplaceCatalogued(const ButtonDefinition& button, bool* oldRemoved) const;
    // The reason, when the key could not be created, opened or filled; a key
    // made on the way is taken back then.
    std::optional<std::wstring> WriteKey(const ButtonDefinition& button) const;
    // Deletes the key just made; says whether that worked, for the message.
    std::wstring TakeBackKey(const ButtonDefinition& button) const;
    CreationResult Fail(CreationOutcome outcome, const ButtonDefinition& button, bool oldRemoved,
                        std::wstring message) const;
    void Tell(const std::wstring& text, const std::wstring& title) const;

    const RegistryAccess& registry_;
    const MyButtonsCatalogue& catalogue_;
    MessageBoxSeam& messages_;
    HWND owner_;
};

// The system's own wording of a status code, without its line break.
std::wstring StatusText(LSTATUS status);

}  // namespace barsmith
