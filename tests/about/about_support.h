#pragma once
// Helpers of the About window's tests: values of the System Information keys
// under HKEY_LOCAL_MACHINE put aside for one test, a shell that records its
// requests, and a scratch folder for the program the launcher starts.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "about/sysinfo.h"
#include "model/guid.h"
#include "platform/registry_key.h"
#include "platform/shell.h"
#include "support/fakes.h"

namespace barsmith::testing {

// Takes one value under HKEY_LOCAL_MACHINE away for the life of the object,
// then puts back what was there (and removes the key if it was made for the test).
class HklmValue {
public:
    HklmValue(std::wstring key, std::wstring name) : keyName_(std::move(key)), name_(std::move(name)) {
        madeKey_ = RegKey().Open(api_, HKEY_LOCAL_MACHINE, keyName_, KEY_READ) != ERROR_SUCCESS;
        key_.Create(api_, HKEY_LOCAL_MACHINE, keyName_, KEY_ALL_ACCESS);
        saved_ = key_.Read(name_);
        key_.DeleteValue(name_);
    }
    HklmValue(const HklmValue&) = delete;
    HklmValue& operator=(const HklmValue&) = delete;
    ~HklmValue() {
        if (!key_) return;
        key_.DeleteValue(name_);
        if (saved_) key_.Write(*saved_);
        key_.Close();
        if (madeKey_) RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyName_.c_str());
    }

    // Stores raw bytes through the narrow call, as a program of the system code page would.
    bool Set(DWORD type, const std::string& data) const {
        return key_ && RegSetValueExA(key_.get(), Narrow(name_).c_str(), 0, type,
                                      reinterpret_cast<const BYTE*>(data.data()),
                                      static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    }
    // A string value with its terminating zero byte.
    bool SetText(const std::wstring& text) const { return Set(REG_SZ, Narrow(text) + '\0'); }

private:
    // The names and paths of these tests are ASCII.
    static std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

    std::wstring keyName_;
    std::wstring name_;
    SystemRegistry api_;
    RegKey key_;
    bool madeKey_ = false;
    std::optional<RegistryValue> saved_;
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
    ScratchFolder() { std::filesystem::create_directories(path_); }
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
        for (int attempt = 0; attempt < 100; ++attempt) {
            // The program holds the file exclusively until it has written the line.
            std::ifstream file(std::filesystem::path(path_) / L"started.txt", std::ios::binary);
            if (file) {
                const std::string bytes((std::istreambuf_iterator<char>(file)), {});
                return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                                    bytes.size() / sizeof(wchar_t));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return std::nullopt;
    }

private:
    const std::wstring path_ =
        (std::filesystem::temp_directory_path() / (L"Barsmith about " + CreateGUID())).wstring();
};

// The About windows of this process, shown or not.
inline int CountAboutWindows() {
    int count = 0;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, L"BarsmithAbout", nullptr));) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == GetCurrentProcessId()) ++count;
    }
    return count;
}

}  // namespace barsmith::testing
