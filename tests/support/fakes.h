#pragma once
// Test doubles for the program's seams: scripted message boxes, and a registry
// that passes calls to Wine's real registry but can refuse chosen ones, counts
// the keys left open and keeps the names of the values written.
#include <windows.h>

#include <deque>
#include <optional>
#include <tuple>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/registry_api.h"
#include "platform/message_box.h"

namespace barsmith::testing {

struct ShownMessage {
    HWND owner;
    std::wstring text;
    std::wstring title;
    UINT type;
};

class ScriptedMessageBox final : public MessageBoxSeam {
public:
    int Show(HWND owner, const std::wstring& text, const std::wstring& title, UINT type) override {
        shown.push_back({owner, text, title, type});
        if (answers.empty()) return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<ShownMessage> shown;
    std::deque<int> answers;  // IDYES, IDNO...; when none is left: OK, or No for a question
};

// What ends a change in the middle: the program stopped by the user or the system.
struct Interrupted {};

// OpenToWrite: opening a key with access to change it (reading it stays allowed).
enum class RegCall { Create, Open, OpenToWrite, Set, Query, Enum, DeleteValue, DeleteKey };

class RecordingRegistry : public RegistryApi {
public:
    // Calls of this kind fail with `status` (all of them, or only for `onlyName`,
    // matched against the sub-key or value name, and only in the registry view
    // `onlyView` when one is given: KEY_WOW64_64KEY or KEY_WOW64_32KEY).
    void Refuse(RegCall call, LSTATUS status = ERROR_ACCESS_DENIED, std::wstring onlyName = {}, REGSAM onlyView = 0) {
        const std::scoped_lock lock(mutex_);
        refusals_.push_back({call, status, std::move(onlyName), onlyView});
    }
    size_t OpenKeys() const { return open_.size(); }
    REGSAM allowedAccess = ~REGSAM{0};  // keys asked for with more access are refused, as to a plain user
    std::vector<std::wstring> written;  // names of the values set, in order
    // After this many changes of the registry (keys made or deleted, values
    // set or deleted), the next one is made and then Interrupted is thrown,
    // as if the program had been ended right after it; -1: never.
    int interruptAfter = -1;

    LSTATUS CreateKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY* key) override {
        const std::scoped_lock lock(mutex_);
        if (const LSTATUS s = Refused(RegCall::Create, subKey, access)) return s;
        const LSTATUS status = Track(real_.CreateKey(root, subKey, access, key), key, access);
        if (status == ERROR_SUCCESS) Changed(*key);
        return status;
    }
    LSTATUS OpenKey(HKEY root, const std::wstring& subKey, REGSAM access, HKEY* key) override {
        const std::scoped_lock lock(mutex_);
        if (const LSTATUS s = Refused(RegCall::Open, subKey, access)) return s;
        constexpr REGSAM kChanges = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE | WRITE_DAC | WRITE_OWNER;
        if (access & kChanges) {
            if (const LSTATUS s = Refused(RegCall::OpenToWrite, subKey, access)) return s;
        }
        return Track(real_.OpenKey(root, subKey, access, key), key, access);
    }
    LSTATUS SetValue(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size) override {
        const std::scoped_lock lock(mutex_);
        written.push_back(name);
        if (const LSTATUS s = Refused(RegCall::Set, name, ViewOf(key))) return s;
        return Changed(real_.SetValue(key, name, type, data, size));
    }
    LSTATUS QueryValue(HKEY key, const std::wstring& name, DWORD* type, BYTE* data, DWORD* size) override {
        const std::scoped_lock lock(mutex_);
        if (const LSTATUS s = Refused(RegCall::Query, name)) return s;
        return real_.QueryValue(key, name, type, data, size);
    }
    LSTATUS EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* nameLength, DWORD* type, BYTE* data,
                      DWORD* size) override {
        const std::scoped_lock lock(mutex_);
        if (const LSTATUS s = Refused(RegCall::Enum, {})) return s;
        return real_.EnumValue(key, index, name, nameLength, type, data, size);
    }
    LSTATUS DeleteValue(HKEY key, const std::wstring& name) override {
        const std::scoped_lock lock(mutex_);
        if (const LSTATUS s = Refused(RegCall::DeleteValue, name, ViewOf(key))) return s;
        return Changed(real_.DeleteValue(key, name));
    }
    LSTATUS DeleteKey(HKEY key, const std::wstring& subKey, REGSAM view) override {
        const std::scoped_lock lock(mutex_);
        if (const LSTATUS s = Refused(RegCall::DeleteKey, subKey, view)) return s;
        return Changed(real_.DeleteKey(key, subKey, view));
    }
    LSTATUS CloseKey(HKEY key) override {
        const std::scoped_lock lock(mutex_);
        open_.erase(key);
        return real_.CloseKey(key);
    }

private:
    template <typename Result>
    Result Changed(Result result) {
        if (interruptAfter >= 0 && changes_++ == interruptAfter) throw Interrupted{};
        return result;
    }
    struct Refusal {
        RegCall call;
        LSTATUS status;
        std::wstring onlyName;
        REGSAM onlyView;
    };
    // `access` is the access asked for, with the view among its bits.
    LSTATUS Refused(RegCall call, const std::wstring& name, REGSAM access = 0) {
        if (access & ~(allowedAccess | KEY_WOW64_RES)) return ERROR_ACCESS_DENIED;
        for (const Refusal& r : refusals_) {
            if (r.call == call && (r.onlyName.empty() || name.find(r.onlyName) != std::wstring::npos) &&
                (!r.onlyView || (access & KEY_WOW64_RES) == r.onlyView))
                return r.status;
        }
        return ERROR_SUCCESS;
    }
    LSTATUS Track(LSTATUS status, HKEY* key, REGSAM access) {
        if (status == ERROR_SUCCESS) open_[*key] = access & KEY_WOW64_RES;
        return status;
    }
    REGSAM ViewOf(HKEY key) const {
        const auto found = open_.find(key);
        return found == open_.end() ? 0 : found->second;
    }

    SystemRegistry real_;
    // The window reads My Buttons on a thread of its own.
    std::mutex mutex_;
    std::vector<Refusal> refusals_;
    std::map<HKEY, REGSAM> open_;  // with the view each was opened in
    int changes_ = 0;
};

}  // namespace barsmith::testing

#include "platform/common_dialog.h"
#include "platform/elevation.h"
#include "platform/shell.h"

namespace barsmith::testing {

struct ShellRequest {
    HWND owner;
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    int showCommand;
};

class RecordingShell final : public ShellSeam {
public:
    HINSTANCE Execute(HWND owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                      int showCommand) override {
        executed.push_back({owner, verb, file, parameters, showCommand});
        return reinterpret_cast<HINSTANCE>(33);  // above 32: success
    }
    bool StartProgram(const std::wstring& path, int showCommand) override {
        started.push_back({nullptr, L"", path, L"", showCommand});
        return true;
    }
    // Answers the icon picker with `pickedIcon` (offered: what it was shown), or cancels.
    IconPick PickIcon(HWND owner, std::wstring& path, int& index) override {
        iconsOffered.push_back({owner, L"", path, std::to_wstring(index), 0});
        if (!pickedIcon) return iconPickerAnswer;
        std::tie(path, index) = *pickedIcon;
        return IconPick::Picked;
    }
    std::vector<ShellRequest> executed;
    std::vector<ShellRequest> started;
    std::vector<ShellRequest> iconsOffered;
    std::optional<std::pair<std::wstring, int>> pickedIcon;
    IconPick iconPickerAnswer = IconPick::Cancelled;  // when no icon is to be picked
};

// Elevated, as the user of the test prefix is, unless a test says otherwise;
// keeps what it was asked to start.
class ScriptedElevation final : public ElevationSeam {
public:
    bool IsElevated() override { return elevated; }
    ElevatedStart StartElevated(HWND owner, const std::wstring& parameters) override {
        started.push_back({owner, L"runas", L"", parameters, SW_SHOWNORMAL});
        return answer;
    }
    bool elevated = true;
    ElevatedStart answer = ElevatedStart::Started;
    std::vector<ShellRequest> started;
};

// Answers file dialogs from a script: a path chooses that file, an empty
// answer cancels. Keeps a copy of what each request asked for.
class ScriptedFileDialog final : public FileDialogSeam {
public:
    struct Request {
        std::wstring title;
        std::wstring initialDir;
        std::wstring fileName;  // offered in the name field
        std::wstring filter;    // with its NULs
        bool save;              // the Save As dialog
    };
    bool ShowOpenDialog(OPENFILENAMEW& request) override { return Answer(request, false); }
    bool ShowSaveDialog(OPENFILENAMEW& request) override { return Answer(request, true); }
    std::vector<Request> requests;
    std::deque<std::wstring> answers;
    std::string throws;  // when set, the dialog fails with this exception text

private:
    bool Answer(OPENFILENAMEW& request, bool save) {
        if (!throws.empty()) throw std::runtime_error(throws);
        Request seen{request.lpstrTitle ? request.lpstrTitle : L"",
                     request.lpstrInitialDir ? request.lpstrInitialDir : L"", request.lpstrFile, {}, save};
        for (const wchar_t* p = request.lpstrFilter; p && *p; p += wcslen(p) + 1) seen.filter.append(p).push_back(L'\0');
        requests.push_back(seen);
        const std::wstring answer = answers.empty() ? std::wstring() : answers.front();
        if (!answers.empty()) answers.pop_front();
        if (answer.empty()) return false;
        wcsncpy(request.lpstrFile, answer.c_str(), request.nMaxFile - 1);
        return true;
    }
};

}  // namespace barsmith::testing
