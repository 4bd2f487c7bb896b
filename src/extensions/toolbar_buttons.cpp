#include "extensions/toolbar_buttons.h"

#include <array>
#include <utility>

namespace barsmith {
namespace {

constexpr wchar_t kNotCreatedTitle[] = L"Button Not Created";
constexpr wchar_t kNotDeletedTitle[] = L"Button Not Deleted";
constexpr wchar_t kReplaceTitle[] = L"Replace Button";

struct RequiredCheck {
    MissingFieldMessage message;
    const std::wstring ButtonDefinition::*text;
};

// Checked top to bottom; the first empty field wins.
const std::array<RequiredCheck, 6> kRequiredFields{{
    {{RequiredField::Application, L"Please choose an application     ", L"No Application Chosen"},
     &ButtonDefinition::Exec},
    {{RequiredField::DefaultIcon, L"Please choose the Default Icon     ", L"No Icon Chosen"},
     &ButtonDefinition::Icon},
    {{RequiredField::ButtonText, L"Please enter a name for the Button Text     ", L"No Button Name Entered"},
     &ButtonDefinition::ButtonText},
    {{RequiredField::MenuText, L"Please enter the Menu Text     ", L"No Menu Text Entered"},
     &ButtonDefinition::MenuText},
    {{RequiredField::StatusBarText, L"Please enter the Status Bar Text     ", L"No Status Bar Text Entered"},
     &ButtonDefinition::MenuStatusBar},
    {{RequiredField::ToolTip, L"Please enter the Tool Tip Text     ", L"No Tool Tip Text Entered"},
     &ButtonDefinition::ToolTip},
}};

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring NotCreated(const ButtonDefinition& button) {
    return L"The button " + Quoted(button.ButtonText) + L" was not created: ";
}

}  // namespace

std::optional<MissingFieldMessage> FirstMissingField(const ButtonDefinition& button) {
    for (const RequiredCheck& check : kRequiredFields) {
        if ((button.*check.text).empty()) return check.message;
    }
    return std::nullopt;
}

std::wstring StatusText(LSTATUS status) {
    wchar_t buffer[512]{};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(status), 0, buffer, 512, nullptr);
    std::wstring text(buffer, length);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    if (text.empty()) text = L"error " + std::to_wstring(status) + L".";
    return text;
}

void ToolbarButtons::Tell(const std::wstring& text, const std::wstring& title) const {
    messages_.Show(owner_, text, title, MB_OK | MB_ICONEXCLAMATION);
}

CreationResult ToolbarButtons::Create(const ButtonDefinition& button) const {
    if (const auto missing = FirstMissingField(button)) {
        messages_.Show(owner_, missing->text, missing->title, MB_OK | MB_ICONINFORMATION);
        return {CreationOutcome::MissingField, missing->field};
    }
    // Only a GUID string may name the key: anything else in the GUID field
    // could make a key elsewhere below the browser's extensions.
    if (!IsGuidString(button.Guid)) {
        Tell(NotCreated(button) + L"it has no GUID to name its registry key" +
                 (button.Guid.empty() ? L"." : L" (" + Quoted(button.Guid) + L" is none).") +
                 L"\n\nNothing was written.",
             kNotCreatedTitle);
        return {CreationOutcome::NoGuid};
    }
    const std::wstring fullPath = FullExtensionKeyPath(button.RootKey, button.Guid);
    if (registry_.KeyExists(button.RootKey, ExtensionKeyPath(button.Guid))) {
        Tell(NotCreated(button) + L"the registry key\n\n" + fullPath +
                 L"\n\nexists already. It was left as it is and nothing was written.",
             kNotCreatedTitle);
        return {CreationOutcome::KeyExists};
    }
    bool oldRemoved = false;
    if (!ReplaceCatalogued(button, &oldRemoved)) return {CreationOutcome::NotReplaced};
    if (auto why = WriteKey(button)) return Fail(CreationOutcome::NotWritten, button, oldRemoved, std::move(*why));

    const LSTATUS recorded = catalogue_.Record(button.ButtonText, button.Guid);
    if (recorded != ERROR_SUCCESS) {
        return Fail(CreationOutcome::NotRecorded, button, oldRemoved,
                    NotCreated(button) + L"it could not be recorded in My Buttons: " + StatusText(recorded) +
                        TakeBackKey(button));
    }
    return {CreationOutcome::Created};
}

bool ToolbarButtons::ReplaceCatalogued(const ButtonDefinition& button, bool* oldRemoved) const {
    const std::wstring oldGuid = catalogue_.GuidOf(button.ButtonText);
    if (oldGuid.empty()) return true;
    ButtonKeyLocation old = FindButtonKey(registry_.api(), oldGuid);
    const int answer = messages_.Show(owner_,
                                      L"My Buttons holds a button " + Quoted(button.ButtonText) +
                                          L" already.\n\nReplace it? Its registry key will be deleted.",
                                      kReplaceTitle, MB_YESNO | MB_ICONQUESTION);
    if (answer != IDYES) return false;
    if (!old.root) return true;  // its key has gone already; the new record takes over the entry

    old.key.Close();
    const std::wstring oldPath = FullExtensionKeyPath(old.root, oldGuid);
    const LSTATUS status = registry_.DeleteKey(oldPath);
    if (status != ERROR_SUCCESS) {
        Tell(L"The button " + Quoted(button.ButtonText) + L" was not replaced: the registry key\n\n" + oldPath +
                 L"\n\nof the button in My Buttons could not be deleted: " + StatusText(status) +
                 L"\n\nNothing was changed.",
             kNotCreatedTitle);
        return false;
    }
    *oldRemoved = true;
    return true;
}

std::optional<std::wstring> ToolbarButtons::WriteKey(const ButtonDefinition& button) const {
    const std::wstring path = ExtensionKeyPath(button.Guid);
    const std::wstring fullPath = FullExtensionKeyPath(button.RootKey, button.Guid);
    LSTATUS status = ERROR_SUCCESS;
    if (!registry_.CreateNewKey(button.RootKey, path, &status)) {
        return NotCreated(button) + L"the registry key\n\n" + fullPath + L"\n\ncould not be created: " +
               StatusText(status) + L"\n\nNothing was written.";
    }
    RegKey key = registry_.OpenKey(button.RootKey, path, &status);
    if (!key) {
        return NotCreated(button) + L"the registry key\n\n" + fullPath + L"\n\ncould not be opened for writing: " +
               StatusText(status) + TakeBackKey(button);
    }
    for (const ExtensionValue& value : ExtensionValues(button)) {
        status = registry_.SetKeyValue(key.get(), value.name, REG_SZ, value.text);
        if (status != ERROR_SUCCESS) {
            key.Close();
            return NotCreated(button) + L"the value " + Quoted(value.name) +
                   L" could not be written to the registry key\n\n" + fullPath + L"\n\n" + StatusText(status) +
                   TakeBackKey(button);
        }
    }
    return std::nullopt;
}

// A key that lacks values would still show up in the browser as a broken
// button, so a creation that fails halfway takes its key away again.
std::wstring ToolbarButtons::TakeBackKey(const ButtonDefinition& button) const {
    const std::wstring fullPath = FullExtensionKeyPath(button.RootKey, button.Guid);
    const LSTATUS status = registry_.DeleteKey(fullPath);
    if (status == ERROR_SUCCESS) return L"\n\nThe key has been removed again.";
    return L"\n\nThe key could not be removed again (" + StatusText(status) + L") and must be deleted by hand.";
}

CreationResult ToolbarButtons::Fail(CreationOutcome outcome, const ButtonDefinition& button, bool oldRemoved,
                                    std::wstring message) const {
    CreationResult result{outcome};
    if (oldRemoved) {
        // The earlier button of this text is gone, so its entry would name nothing.
        catalogue_.Remove(button.ButtonText);
        message += L"\n\nThe earlier button " + Quoted(button.ButtonText) +
                   L" had been deleted already and has left My Buttons.";
        result.catalogueChanged = true;
    }
    Tell(message, kNotCreatedTitle);
    return result;
}

ButtonPreview ToolbarButtons::Preview(const std::wstring& buttonText) const {
    ButtonPreview preview{catalogue_.GuidOf(buttonText), {}};
    const ButtonKeyLocation where = FindButtonKey(registry_.api(), preview.guid);
    preview.iconPath = registry_.QueryValue(where.key.get(), L"Icon");
    return preview;
}

RemovalOutcome ToolbarButtons::Remove(const std::wstring& guid, const std::wstring& buttonText) const {
    if (guid.empty()) {
        // The path then ends in a backslash, which the registry layer refuses
        // with its format message; no key is touched.
        registry_.DeleteKey(L"HKEY_LOCAL_MACHINE\\" + ExtensionKeyPath(guid));
        catalogue_.Remove(buttonText);
        return RemovalOutcome::NoGuid;
    }
    ButtonKeyLocation where = FindButtonKey(registry_.api(), guid);
    if (!where.root) {
        catalogue_.Remove(buttonText);
        return RemovalOutcome::AlreadyGone;
    }
    where.key.Close();
    const std::wstring fullPath = FullExtensionKeyPath(where.root, guid);
    const LSTATUS status = registry_.DeleteKey(fullPath);
    if (status != ERROR_SUCCESS) {
        Tell(L"The button " + Quoted(buttonText) + L" was not deleted: its registry key\n\n" + fullPath +
                 L"\n\ncould not be removed: " + StatusText(status) + L"\n\nIt stays in My Buttons.",
             kNotDeletedTitle);
        return RemovalOutcome::NotRemoved;
    }
    catalogue_.Remove(buttonText);
    return RemovalOutcome::Removed;
}

}  // namespace barsmith
