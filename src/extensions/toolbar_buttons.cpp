#include "extensions/toolbar_buttons.h"

#include <algorithm>
#include <array>
#include <utility>

#include "extensions/button_reading.h"
#include "platform/session_lock.h"
#include "platform/whole_file.h"
#include "platform/names.h"

namespace barsmith {
namespace {

constexpr wchar_t kNotCreatedTitle[] = L"Button Not Created";
constexpr wchar_t kNotDeletedTitle[] = L"Button Not Deleted";
constexpr wchar_t kReplaceTitle[] = L"Replace Button";
constexpr wchar_t kNotEditedTitle[] = L"Button Not Edited";
constexpr wchar_t kNotSavedTitle[] = L"Button Not Saved";
// Values that a button may lack: an edit that empties it removes the value.
constexpr wchar_t kOptionalValue[] = L"HotIcon";

struct RequiredCheck {
    MissingFieldMessage message;
    const std::wstring ButtonDefinition::*text;
};

// Checked top to bottom; the first empty field wins.
const std::array<RequiredCheck, 6> kRequiredFields{{
    {{RequiredField::Application, L"Please choose an application     ", L"No Application Chosen"},
     &ButtonDefinition::exec},
    {{RequiredField::DefaultIcon, L"Please choose the Default Icon     ", L"No Icon Chosen"},
     &ButtonDefinition::icon},
    {{RequiredField::ButtonText, L"Please enter a name for the Button Text     ", L"No Button Name Entered"},
     &ButtonDefinition::buttonText},
    {{RequiredField::MenuText, L"Please enter the Menu Text     ", L"No Menu Text Entered"},
     &ButtonDefinition::menuText},
    {{RequiredField::StatusBarText, L"Please enter the Status Bar Text     ", L"No Status Bar Text Entered"},
     &ButtonDefinition::menuStatusBar},
    {{RequiredField::ToolTip, L"Please enter the Tool Tip Text     ", L"No Tool Tip Text Entered"},
     &ButtonDefinition::toolTip},
}};


std::wstring NotCreated(const ButtonDefinition& button) {
    return L"The button " + Quoted(button.buttonText) + L" was not created: ";
}

std::wstring NotSaved(const ButtonDefinition& button) {
    return L"The button " + Quoted(button.buttonText) + L" was not saved: ";
}

bool Holds(const std::vector<KeyPlace>& places, KeyPlace place) {
    return std::find(places.begin(), places.end(), place) != places.end();
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

void ToolbarButtons::Tell(const std::wstring& text, const std::wstring& title, UINT type) const {
    if (holding_)
        held_.push_back({text, title, type});
    else
        messages_.Show(owner_, text, title, type);
}

template <typename Work>
bool ToolbarButtons::Locked(Work work) const {
    bool held = false;
    {
        const SessionLock lock(kButtonsLockName, kButtonsLockTimeoutMs);
        held = lock.Held();
        if (held) {
            // Told from here on waits for the lock to go, also if `work` throws.
            struct Holding {
                bool& flag;
                ~Holding() { flag = false; }
            } holding{holding_ = true};
            work();
        }
    }
    std::vector<Notice> notices = std::move(held_);
    held_.clear();
    for (const Notice& notice : notices) messages_.Show(owner_, notice.text, notice.title, notice.type);
    if (!held) {
        Tell(L"Another copy of Barsmith is changing the toolbar buttons and did not finish in time.\n\n"
             L"Nothing was done. Please try again.",
             kAppTitle);
    }
    return held;
}

std::optional<CreationResult> ToolbarButtons::Invalid(const ButtonDefinition& button) const {
    if (const auto missing = FirstMissingField(button)) {
        messages_.Show(owner_, missing->text, missing->title, MB_OK | MB_ICONINFORMATION);
        return CreationResult{CreationOutcome::MissingField, missing->field};
    }
    // Only a GUID string may name the key: anything else in the GUID field
    // could make a key elsewhere below the browser's extensions.
    if (!IsGuidString(button.guid)) {
        Tell(NotCreated(button) + L"it has no GUID to name its registry key" +
                 (button.guid.empty() ? L"." : L" (" + Quoted(button.guid) + L" is none).") +
                 L"\n\nNothing was written.",
             kNotCreatedTitle);
        return CreationResult{CreationOutcome::NoGuid};
    }
    return std::nullopt;
}

// The user is asked without the lock held; under it the catalogue must still
// hold what the answer was about, or the question comes again.
template <typename Write>
CreationResult ToolbarButtons::WithAgreedText(const ButtonDefinition& button, bool textIsNew, Write write) const {
    for (;;) {
        const std::wstring earlier = textIsNew ? catalogue_.GuidOf(button.buttonText) : std::wstring();
        if (!earlier.empty() && !SameGuid(earlier, button.guid) && !AskReplace(button))
            return {CreationOutcome::NotReplaced};
        std::optional<CreationResult> result;
        const bool held = Locked([&] {
            if (!textIsNew || catalogue_.GuidOf(button.buttonText) == earlier) result = write(earlier);
        });
        if (!held) return {CreationOutcome::Busy};
        if (result) return *result;
    }
}

CreationResult ToolbarButtons::Create(const ButtonDefinition& button) const {
    if (auto invalid = Invalid(button)) return *invalid;
    return WithAgreedText(button, true, [&](const std::wstring& earlier) { return WriteButton(button, earlier); });
}

bool ToolbarButtons::AskReplace(const ButtonDefinition& button) const {
    return messages_.Show(owner_,
                          L"My Buttons holds a button " + Quoted(button.buttonText) +
                              L" already.\n\nReplace it? Its registry key will be deleted.",
                          kReplaceTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// The new key is written and recorded before the earlier button of the same
// text is deleted, so that a refusal at any step leaves that one working.
CreationResult ToolbarButtons::WriteButton(const ButtonDefinition& button, const std::wstring& earlierGuid) const {
    const std::vector<FoundKey> existing = FindButtonKeys(registry_.Api(), button.guid);
    if (!existing.empty()) {
        Tell(NotCreated(button) + L"the registry key\n\n" + FullExtensionKeyPath(existing.front().place, button.guid) +
                 L"\n\nexists already. It was left as it is and nothing was written.",
             kNotCreatedTitle);
        return {CreationOutcome::KeyExists};
    }
    if (auto why = WriteKeys(button)) {
        Tell(*why, kNotCreatedTitle);
        return {CreationOutcome::NotWritten};
    }
    const LSTATUS recorded = catalogue_.Record(button.buttonText, button.guid);
    if (recorded != ERROR_SUCCESS) {
        Tell(NotCreated(button) + L"it could not be recorded in My Buttons: " + StatusText(recorded) +
                 TakeBackKeys(button) +
                 (earlierGuid.empty() ? L"" : L"\n\nThe earlier button " + Quoted(button.buttonText) + L" is unchanged."),
             kNotCreatedTitle);
        return {CreationOutcome::NotRecorded};
    }
    if (!earlierGuid.empty() && !SameGuid(earlierGuid, button.guid)) RetireEarlier(button, earlierGuid);
    return {CreationOutcome::Created};
}

std::optional<std::wstring> ToolbarButtons::WriteKeys(const ButtonDefinition& button) const {
    for (const KeyPlace place : PlacesFor(button.rootKey)) {
        if (auto why = WriteKey(button, place)) return why;
    }
    return std::nullopt;
}

std::optional<std::wstring> ToolbarButtons::WriteKey(const ButtonDefinition& button, KeyPlace place) const {
    const std::wstring path = ExtensionKeyPath(button.guid);
    const std::wstring fullPath = FullExtensionKeyPath(place, button.guid);
    LSTATUS status = ERROR_SUCCESS;
    if (!registry_.CreateNewKey(place.root, path, &status, place.view)) {
        return NotCreated(button) + L"the registry key\n\n" + fullPath + L"\n\ncould not be created: " +
               StatusText(status) + TakeBackKeys(button);
    }
    RegKey key = registry_.OpenKey(place.root, path, &status, place.view);
    if (!key) {
        return NotCreated(button) + L"the registry key\n\n" + fullPath + L"\n\ncould not be opened for writing: " +
               StatusText(status) + TakeBackKeys(button);
    }
    for (const ExtensionValue& value : ExtensionValues(button)) {
        status = registry_.SetKeyValue(key.get(), value.name, REG_SZ, value.text);
        if (status != ERROR_SUCCESS) {
            key.Close();
            return NotCreated(button) + L"the value " + Quoted(value.name) +
                   L" could not be written to the registry key\n\n" + fullPath + L"\n\n" + StatusText(status) +
                   TakeBackKeys(button);
        }
    }
    return std::nullopt;
}

// A key that lacks values would still show up in the browser as a broken
// button, so a creation that fails halfway takes its keys away again. Only
// keys that this creation made are there to find: the GUID was checked free.
std::wstring ToolbarButtons::TakeBackKeys(const ButtonDefinition& button) const {
    const std::vector<FoundKey> made = FindButtonKeys(registry_.Api(), button.guid);
    if (made.empty()) return L"\n\nNothing was written.";
    std::wstring left;
    for (const FoundKey& found : made) {
        const LSTATUS status = DeleteKeyAt(found.place, button.guid);
        if (status != ERROR_SUCCESS)
            left += L"\n" + FullExtensionKeyPath(found.place, button.guid) + L": " + StatusText(status);
    }
    if (left.empty()) return L"\n\nThe key has been removed again.";
    return L"\n\nThe key could not be removed again and must be deleted by hand:" + left;
}

LSTATUS ToolbarButtons::DeleteKeyAt(KeyPlace place, const std::wstring& guid) const {
    return registry_.DeleteKey(place.root, ExtensionKeyPath(guid), place.view);
}

std::wstring ToolbarButtons::DeleteKeysAt(const std::vector<KeyPlace>& places, const std::wstring& guid) const {
    std::wstring left;
    for (const KeyPlace place : places) {
        if (const LSTATUS status = DeleteKeyAt(place, guid); status != ERROR_SUCCESS)
            left += L"\n\n" + FullExtensionKeyPath(place, guid) + L"\n" + StatusText(status);
    }
    return left;
}

void ToolbarButtons::RetireEarlier(const ButtonDefinition& button, const std::wstring& earlierGuid) const {
    std::wstring left;
    for (const FoundKey& found : FindButtonKeys(registry_.Api(), earlierGuid)) {
        const std::wstring fullPath = FullExtensionKeyPath(found.place, earlierGuid);
        if (!IsOurs(found)) {
            left += L"\n\n" + fullPath + L"\nis no button made by Barsmith and was left as it is.";
            continue;
        }
        const LSTATUS status = DeleteKeyAt(found.place, earlierGuid);
        if (status != ERROR_SUCCESS) left += L"\n\n" + fullPath + L"\ncould not be deleted: " + StatusText(status);
    }
    if (left.empty()) return;
    Tell(L"The button " + Quoted(button.buttonText) +
             L" has been created and My Buttons names it, but the registry key of the button it replaced was left "
             L"behind:" + left,
         kNotDeletedTitle);
}

bool ToolbarButtons::IsOurs(const FoundKey& found) const { return IsRunProgramButton(registry_, found.key.get()); }

std::vector<std::wstring> ToolbarButtons::Entries() const {
    std::vector<std::wstring> entries;
    Locked([&] { entries = catalogue_.ButtonTexts(); });
    return entries;
}

ButtonPreview ToolbarButtons::Preview(const std::wstring& entry) const {
    ButtonPreview preview;
    Locked([&] {
        preview.guid = catalogue_.GuidOf(entry);
        for (const FoundKey& found : FindButtonKeys(registry_.Api(), preview.guid)) {
            preview.iconPath = registry_.QueryValue(found.key.get(), L"Icon");
            if (found.key) break;
        }
    });
    return preview;
}

RemovalOutcome ToolbarButtons::Remove(const std::wstring& guid, const std::wstring& entry) const {
    RemovalOutcome outcome = RemovalOutcome::Busy;
    Locked([&] { outcome = RemoveLocked(guid, entry); });
    return outcome;
}

bool ToolbarButtons::Export(const std::vector<std::wstring>& entries, const std::wstring& path) const {
    constexpr wchar_t kNotExportedTitle[] = L"Buttons Not Exported";
    ExportKeys exported;
    if (!Locked([&] { exported = CollectExportKeys(registry_, catalogue_, entries); })) return false;
    if (!exported.refusal.empty()) {
        Tell(exported.refusal + L"\n\nNothing was written.", kNotExportedTitle);
        return false;
    }
    if (const DWORD error = WriteWholeFile(path, RegistryFileBytes(exported.keys))) {
        Tell(L"The registry file\n\n" + path + L"\n\ncould not be written: " + StatusText(static_cast<LSTATUS>(error)) +
                 L"\n\nNothing was written.",
             kNotExportedTitle);
        return false;
    }
    return true;
}

RemovalOutcome ToolbarButtons::RemoveLocked(const std::wstring& guid, const std::wstring& entry) const {
    const std::optional<std::wstring> listed = catalogue_.Lookup(entry);
    if (!listed && FindButtonKeys(registry_.Api(), guid).empty()) return RemovalOutcome::AlreadyGone;
    if (!listed || *listed != guid) {
        Tell(L"The button " + Quoted(entry) +
                 L" was not deleted: My Buttons has changed since it was shown (another copy of Barsmith changed "
                 L"it).\n\nNothing was deleted. The list now shows My Buttons as it is.",
             kNotDeletedTitle);
        return RemovalOutcome::ListChanged;
    }
    if (const LSTATUS status = catalogue_.CanChange(); status != ERROR_SUCCESS) {
        Tell(L"The button " + Quoted(entry) + L" was not deleted: My Buttons cannot be changed: " +
                 StatusText(status) + L"\n\nNothing was deleted.",
             kNotDeletedTitle);
        return RemovalOutcome::NotRemoved;
    }
    if (!IsGuidString(guid)) {
        Tell(L"Incorrect Format:\n\n" + FullExtensionKeyPath(HKEY_LOCAL_MACHINE, guid), kAppTitle, MB_OK);
        return Unlist(entry, RemovalOutcome::NoGuid);
    }
    const std::vector<FoundKey> keys = FindButtonKeys(registry_.Api(), guid);
    if (keys.empty()) return Unlist(entry, RemovalOutcome::AlreadyGone);
    for (const FoundKey& found : keys) {
        const std::wstring fullPath = FullExtensionKeyPath(found.place, guid);
        if (!found.key) {
            Tell(L"The button " + Quoted(entry) + L" was not deleted: its registry key\n\n" + fullPath +
                     L"\n\ncould not be read: " + StatusText(found.status) + L"\n\nIt stays in My Buttons.",
                 kNotDeletedTitle);
            return RemovalOutcome::NotRemoved;
        }
        if (!IsOurs(found)) {
            Tell(L"The registry key\n\n" + fullPath + L"\n\nthat My Buttons names for " + Quoted(entry) +
                     L" is no toolbar button made by Barsmith, so it was left as it is.\n\nThe entry has left My "
                     L"Buttons.",
                 kNotDeletedTitle);
            return Unlist(entry, RemovalOutcome::NotOurs);
        }
    }
    std::vector<KeyPlace> places;
    for (const FoundKey& found : keys) places.push_back(found.place);
    if (const std::wstring left = DeleteKeysAt(places, guid); !left.empty()) {
        Tell(L"The button " + Quoted(entry) + L" was not deleted: its registry key could not be removed from" + left +
                 L"\n\nIt stays in My Buttons.",
             kNotDeletedTitle);
        return RemovalOutcome::NotRemoved;
    }
    return Unlist(entry, RemovalOutcome::Removed);
}

RemovalOutcome ToolbarButtons::Unlist(const std::wstring& entry, RemovalOutcome done) const {
    const LSTATUS status = catalogue_.Remove(entry);
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return done;
    Tell(L"The entry " + Quoted(entry) + L" could not be removed from My Buttons: " + StatusText(status),
         kNotDeletedTitle);
    return RemovalOutcome::NotRemoved;
}

// --- Editing ------------------------------------------------------------

std::optional<ButtonDefinition> ToolbarButtons::Load(const std::wstring& entry) const {
    std::optional<ButtonDefinition> loaded;
    Locked([&] {
        const std::wstring guid = catalogue_.GuidOf(entry);
        const std::vector<FoundKey> keys = FindButtonKeys(registry_.Api(), guid);
        const bool ours = !keys.empty() && std::all_of(keys.begin(), keys.end(),
                                                        [this](const FoundKey& found) { return IsOurs(found); });
        if (!ours) {
            Tell(L"The button " + Quoted(entry) + L" cannot be edited: " +
                     (keys.empty() ? L"its registry key is in neither hive."
                                   : L"its registry key\n\n" + FullExtensionKeyPath(keys.front().place, guid) +
                                         L"\n\nis no toolbar button made by Barsmith, or cannot be read."),
                 kNotEditedTitle);
            return;
        }
        const HKEY key = keys.front().key.get();
        const auto text = [&](const wchar_t* name) { return registry_.QueryValue(key, name); };
        ButtonDefinition button{guid,           text(L"Exec"),     text(L"Icon"),          text(kOptionalValue),
                                text(L"ButtonText"), text(L"MenuText"), text(L"MenuStatusBar"), text(L"ToolTip")};
        button.defaultVisible = !SameName(text(L"Default Visible"), L"No");
        button.rootKey = keys.front().place.root;
        loaded = std::move(button);
    });
    return loaded;
}

CreationResult ToolbarButtons::Save(const ButtonDefinition& button, const std::wstring& entry) const {
    if (auto invalid = Invalid(button)) return *invalid;
    const bool renamed = !SameName(entry, button.buttonText);
    return WithAgreedText(button, renamed,
                          [&](const std::wstring& earlier) { return SaveLocked(button, entry, earlier); });
}

CreationResult ToolbarButtons::SaveLocked(const ButtonDefinition& button, const std::wstring& entry,
                                          const std::wstring& earlierGuid) const {
    const std::optional<std::wstring> listed = catalogue_.Lookup(entry);
    const std::vector<FoundKey> before = FindButtonKeys(registry_.Api(), button.guid);
    if (!listed || !SameGuid(*listed, button.guid) || before.empty()) {
        Tell(NotSaved(button) + L"My Buttons or its registry key has changed since it was loaded (another copy of "
                                L"Barsmith changed it).\n\nNothing was written.",
             kNotSavedTitle);
        return {CreationOutcome::ListChanged};
    }
    for (const FoundKey& found : before) {
        if (!IsOurs(found)) {
            Tell(NotSaved(button) + L"the registry key\n\n" + FullExtensionKeyPath(found.place, button.guid) +
                     L"\n\nis no toolbar button made by Barsmith, or cannot be read.\n\nNothing was written.",
                 kNotSavedTitle);
            return {CreationOutcome::NotWritten};
        }
    }
    std::vector<Undo> undo;
    if (auto why = Rewrite(button, before, undo)) {
        Tell(*why + PutBack(button, undo), kNotSavedTitle);
        return {CreationOutcome::NotWritten};
    }
    if (!SameName(entry, button.buttonText)) {
        const LSTATUS recorded = catalogue_.Record(button.buttonText, button.guid);
        if (recorded != ERROR_SUCCESS) {
            Tell(NotSaved(button) + L"its new text could not be recorded in My Buttons: " + StatusText(recorded) +
                     PutBack(button, undo),
                 kNotSavedTitle);
            return {CreationOutcome::NotRecorded};
        }
        const LSTATUS unlisted = catalogue_.Remove(entry);
        if (unlisted != ERROR_SUCCESS && unlisted != ERROR_FILE_NOT_FOUND) {
            Tell(L"The button " + Quoted(button.buttonText) + L" has been saved, but its earlier entry " +
                     Quoted(entry) + L" could not be removed from My Buttons: " + StatusText(unlisted),
                 kNotDeletedTitle);
        }
    }
    if (!earlierGuid.empty() && !SameGuid(earlierGuid, button.guid)) RetireEarlier(button, earlierGuid);
    // A button moved to the other hive leaves its earlier keys last.
    const std::vector<KeyPlace> targets = PlacesFor(button.rootKey);
    std::vector<KeyPlace> earlier;
    for (const FoundKey& found : before) {
        if (!Holds(targets, found.place)) earlier.push_back(found.place);
    }
    if (const std::wstring left = DeleteKeysAt(earlier, button.guid); !left.empty()) {
        Tell(L"The button " + Quoted(button.buttonText) +
                 L" has been saved, but its registry key could not be deleted from where it was before:" + left,
             kNotDeletedTitle);
    }
    return {CreationOutcome::Saved};
}

std::optional<std::wstring> ToolbarButtons::Rewrite(const ButtonDefinition& button,
                                                    const std::vector<FoundKey>& before,
                                                    std::vector<Undo>& undo) const {
    const std::wstring path = ExtensionKeyPath(button.guid);
    for (const KeyPlace place : PlacesFor(button.rootKey)) {
        const bool existed = std::any_of(before.begin(), before.end(),
                                         [place](const FoundKey& found) { return found.place == place; });
        LSTATUS status = ERROR_SUCCESS;
        RegKey key = existed ? registry_.OpenKey(place.root, path, &status, place.view)
                             : registry_.CreateNewKey(place.root, path, &status, place.view);
        if (!key) {
            return NotSaved(button) + L"the registry key\n\n" + FullExtensionKeyPath(place, button.guid) +
                   L"\n\ncould not be opened for writing: " + StatusText(status);
        }
        Undo& step = undo.emplace_back(Undo{place, !existed, {}});
        if (existed) {
            for (const ExtensionValue& value : ExtensionValues(button))
                step.values.emplace_back(value.name, registry_.ReadValue(key.get(), value.name));
            if (button.hotIcon.empty())
                step.values.emplace_back(kOptionalValue, registry_.ReadValue(key.get(), kOptionalValue));
        }
        if (auto why = RewriteKey(button, key.get()))
            return NotSaved(button) + *why + L" in the registry key\n\n" + FullExtensionKeyPath(place, button.guid);
    }
    return std::nullopt;
}

// Writes only what differs, so that saving an unchanged button writes nothing.
std::optional<std::wstring> ToolbarButtons::RewriteKey(const ButtonDefinition& button, HKEY key) const {
    for (const ExtensionValue& value : ExtensionValues(button)) {
        const RegistryValue wanted = TextValue(value.name, value.text);
        if (registry_.ReadValue(key, value.name) == wanted) continue;
        if (const LSTATUS status = registry_.WriteValue(key, wanted))
            return L"the value " + Quoted(value.name) + L" could not be written (" + StatusText(status) + L")";
    }
    if (button.hotIcon.empty() && registry_.ReadValue(key, kOptionalValue)) {
        if (const LSTATUS status = registry_.DeleteValue(key, kOptionalValue))
            return L"the value " + Quoted(kOptionalValue) + L" could not be removed (" + StatusText(status) + L")";
    }
    return std::nullopt;
}

std::wstring ToolbarButtons::PutBack(const ButtonDefinition& button, const std::vector<Undo>& undo) const {
    std::wstring left;
    const std::wstring path = ExtensionKeyPath(button.guid);
    for (const Undo& step : undo) {
        LSTATUS status = ERROR_SUCCESS;
        if (step.made) {
            status = DeleteKeyAt(step.place, button.guid);
        } else if (const RegKey key = registry_.OpenKey(step.place.root, path, &status, step.place.view)) {
            for (const auto& [name, value] : step.values) {
                const LSTATUS put = value ? registry_.WriteValue(key.get(), *value)
                                          : registry_.DeleteValue(key.get(), name);
                if (put != ERROR_SUCCESS && put != ERROR_FILE_NOT_FOUND) status = put;
            }
        }
        if (status != ERROR_SUCCESS) left += L"\n" + FullExtensionKeyPath(step.place, button.guid) + L": " + StatusText(status);
    }
    if (left.empty()) return L"\n\nThe button has been put back as it was.";
    return L"\n\nThe button could not be put back as it was everywhere:" + left;
}

}  // namespace barsmith
