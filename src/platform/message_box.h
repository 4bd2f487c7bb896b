#pragma once
// The one seam through which the program shows message boxes, so that tests
// can script the answers instead of waiting on a modal window.
#include <windows.h>

#include <string>

namespace barsmith {

inline constexpr wchar_t kAppTitle[] = L"Barsmith";

class MessageBoxSeam {
public:
    virtual ~MessageBoxSeam() = default;
    // Same contract as MessageBoxW: `type` takes the MB_* flags, the result is IDOK, IDYES...
    virtual int Show(HWND owner, const std::wstring& text, const std::wstring& title, UINT type) = 0;
};

class SystemMessageBox final : public MessageBoxSeam {
public:
    int Show(HWND owner, const std::wstring& text, const std::wstring& title, UINT type) override {
        return MessageBoxW(owner, text.c_str(), title.c_str(), type);
    }
};

}  // namespace barsmith
