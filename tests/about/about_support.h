#pragma once
// Helpers of the About window's tests: values of the System Information keys
// under HKEY_LOCAL_MACHINE put aside for one test, a shell that records its
// requests, and a scratch folder for the program the launcher starts.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "about/sysinfo.h"
#include "model/guid.h"
#include "platform/shell.h"
#include "support/fakes.h"

namespace barsmith::testing {

// Takes one value under HKEY_LOCAL_MACHINE away for the life of the object,
// then puts back what was there (and removes the key if it was made for the test).
class HklmValue {
public:
    HklmValue(std::wstring key, std::wstring name) : keyName_(std::move(key)), name_(std::move(name)) {
        DWORD disposition = 0;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyName_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                            &disposition) != ERROR_SUCCESS)
            return;
        createdKey_ = disposition == REG_CREATED_NEW_KEY;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExW(key_, name_.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            saved_.emplace(size);
            savedType_ = type;
            RegQueryValueExW(key_, name_.c_str(), nullptr, &type, saved_->data(), &size);
        }
        RegDeleteValueW(key_, name_.c_str());
    }
    HklmValue(const HklmValue&) = delete;
    HklmValue& operator=(const HklmValue&) = delete;
    ~HklmValue() {
        if (!key_) return;
        RegDeleteValueW(key_, name_.c_str());
        if (saved_)
            RegSetValueExW(key_, name_.c_str(), 0, savedType_, saved_->data(), static_cast<DWORD>(saved_->size()));
        RegCloseKey(key_);
        if (createdKey_) RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyName_.c_str());
    }

    // Stores raw bytes through the narrow call, as a program of the system code page would.
    bool Set(DWORD type, const std::string& data) const {
        return key_ && RegSetValueExA(key_, Narrow(name_).c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                      static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    }
    // A string value with its terminating zero byte.
    bool SetText(const std::wstring& text) const { return Set(REG_SZ, Narrow(text) + '\0'); }

private:
    // The names and paths of these tests are ASCII.
    static std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

    std::wstring keyName_;
    std::wstring name_;
    HKEY key_ = nullptr;
    bool createdKey_ = false;
    std::optional<std::vector<BYTE>> saved_;
    DWORD savedType_ = REG_NONE;
};

// Both registry entries of the System Information tool, absent until a test sets them.
struct SysInfoEntries {
    HklmValue path{kSysInfoPathKey, kSysInfoPathValue};
    HklmValue folder{kSysInfoFolderKey, kSysInfoFolderValue};
};

// Records the requests, and really starts programs.
class StartingShell final : public ShellSeam {
public:
    HINSTANCE Execute(HWND owner, const std::wstring& verb, const std::wstring& file, const std::wstring& parameters,
                      int showCommand) override {
        return recorded.Execute(owner, verb, file, parameters, showCommand);
    }
    bool StartProgram(const std::wstring& path, int showCommand) override {
        recorded.StartProgram(path, showCommand);
        return real.StartProgram(path, showCommand);
    }
    IconPick PickIcon(HWND owner, std::wstring& path, int& index) override {
        return recorded.PickIcon(owner, path, index);
    }
    RecordingShell recorded;
    SystemShell real;
};

// A fresh folder with blanks in its name, removed with its files at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH]{};
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"Barsmith about " + CreateGUID();
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        // A program started from here may still be running for a moment.
        for (int attempt = 0; attempt < 50; ++attempt) {
            std::error_code failed;
            std::filesystem::remove_all(path_, failed);
            if (!failed) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    const std::wstring& path() const { return path_; }
    // Puts the stand-in program here under `name`.
    bool AddFakeTool(const std::wstring& name) const {
        return CopyFileW((ExecutableFolder() + L"\\about_fake_tool.exe").c_str(), (path_ + L"\\" + name).c_str(),
                         FALSE) != FALSE;
    }
    // The command line the stand-in program was started with, once it has
    // written it; nothing if it has not started within a few seconds.
    std::optional<std::wstring> WaitForStart() const {
        const std::wstring marker = path_ + L"\\started.txt";
        for (int attempt = 0; attempt < 100; ++attempt) {
            // The program holds the file exclusively until it has written the line.
            const HANDLE file = CreateFileW(marker.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                            nullptr);
            if (file != INVALID_HANDLE_VALUE) {
                std::wstring line(1024, L'\0');
                DWORD read = 0;
                ReadFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &read, nullptr);
                CloseHandle(file);
                line.resize(read / sizeof(wchar_t));
                return line;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return std::nullopt;
    }

private:
    std::wstring path_;
};

// The About windows of this thread, shown or not.
inline int CountAboutWindows() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM counter) -> BOOL {
            wchar_t cls[64]{};
            GetClassNameW(window, cls, 64);
            if (lstrcmpW(cls, L"BarsmithAbout") == 0) ++*reinterpret_cast<int*>(counter);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace barsmith::testing
