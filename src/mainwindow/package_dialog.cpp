#include "mainwindow/package_dialog.h"

#include <string>
#include <vector>

#include "platform/names.h"

namespace barsmith {
namespace {

enum : WORD { IDC_Label = 0xFFFF, IDC_Product = 100, IDC_Version, IDC_Manufacturer, IDC_Problem };

// A dialog template built in memory: DLGTEMPLATE and its items, each
// DWORD-aligned, in dialog units, which the dialog manager scales to the
// font and the DPI.
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* title, short width, short height) {
        Add<DWORD>(DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        Add<DWORD>(0);
        count_ = words_.size();
        Add<WORD>(0);  // the number of items, set as they come
        Add<short>(0);
        Add<short>(0);
        Add<short>(width);
        Add<short>(height);
        Add<WORD>(0);  // no menu
        Add<WORD>(0);  // the standard dialog class
        Text(title);
        Add<WORD>(8);
        Text(L"MS Shell Dlg");
    }
    // A control of a predefined class: 0x0080 button, 0x0081 edit, 0x0082 static.
    void Item(WORD classAtom, const wchar_t* text, WORD id, DWORD style, short x, short y, short cx, short cy) {
        if (words_.size() % 2) words_.push_back(0);
        Add<DWORD>(style | WS_CHILD | WS_VISIBLE);
        Add<DWORD>(0);
        Add<short>(x);
        Add<short>(y);
        Add<short>(cx);
        Add<short>(cy);
        Add<WORD>(id);
        Add<WORD>(0xFFFF);
        Add<WORD>(classAtom);
        Text(text);
        Add<WORD>(0);  // no creation data
        ++words_[count_];
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    template <typename T>
    void Add(T value) {
        static_assert(sizeof(T) % sizeof(WORD) == 0);
        const WORD* parts = reinterpret_cast<const WORD*>(&value);
        words_.insert(words_.end(), parts, parts + sizeof(T) / sizeof(WORD));
    }
    void Text(const wchar_t* text) {
        for (; *text; ++text) words_.push_back(static_cast<WORD>(*text));
        words_.push_back(0);
    }
    std::vector<WORD> words_;
    size_t count_ = 0;
};

std::wstring ItemText(HWND dialog, int id) {
    const HWND item = GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool HoldsControlCharacter(const std::wstring& text) {
    for (const wchar_t c : text) {
        if (IsControlCharacter(c)) return true;
    }
    return false;
}

// What keeps the details from making a package, and the field to mend.
struct Problem {
    WORD field;
    const wchar_t* text;
};
std::optional<Problem> ProblemOf(const PackageDetails& details) {
    if (details.product.empty())
        return Problem{IDC_Product, L"Name the product: Programs and Features lists the package under it."};
    if (HoldsControlCharacter(details.product))
        return Problem{IDC_Product, L"The product name holds a control character."};
    if (!IsPackageVersion(details.version))
        return Problem{IDC_Version, L"The version is three numbers A.B.C: A and B at most 255, C at most 65535."};
    if (HoldsControlCharacter(details.manufacturer))
        return Problem{IDC_Manufacturer, L"The manufacturer holds a control character."};
    return std::nullopt;
}

struct Exchange {
    PackageDetails details;
};

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* exchange = reinterpret_cast<Exchange*>(GetWindowLongPtrW(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        exchange = reinterpret_cast<Exchange*>(lParam);
        SetDlgItemTextW(dialog, IDC_Product, exchange->details.product.c_str());
        SetDlgItemTextW(dialog, IDC_Version, exchange->details.version.c_str());
        SetDlgItemTextW(dialog, IDC_Manufacturer, exchange->details.manufacturer.c_str());
        return TRUE;  // the focus goes to the first control that takes it: the product name
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        if (LOWORD(wParam) == IDOK && exchange) {
            const PackageDetails given{ItemText(dialog, IDC_Product), ItemText(dialog, IDC_Version),
                                       ItemText(dialog, IDC_Manufacturer)};
            if (const std::optional<Problem> problem = ProblemOf(given)) {
                SetDlgItemTextW(dialog, IDC_Problem, problem->text);
                MessageBeep(MB_ICONWARNING);
                SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, problem->field)), TRUE);
                return TRUE;
            }
            exchange->details = given;
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

std::optional<PackageDetails> PackageDialog::Ask(HWND owner, const PackageDetails& suggested) {
    constexpr DWORD kLabel = SS_LEFT;
    constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
    DialogTemplate dialog(L"Installer Package", 240, 136);
    dialog.Item(0x0082, L"&Product name:", IDC_Label, kLabel, 7, 9, 80, 8);
    dialog.Item(0x0081, L"", IDC_Product, kEdit | WS_GROUP, 90, 7, 143, 14);
    dialog.Item(0x0082, L"&Version (A.B.C):", IDC_Label, kLabel, 7, 29, 80, 8);
    dialog.Item(0x0081, L"", IDC_Version, kEdit | WS_GROUP, 90, 27, 60, 14);
    dialog.Item(0x0082, L"&Manufacturer:", IDC_Label, kLabel, 7, 49, 80, 8);
    dialog.Item(0x0081, L"", IDC_Manufacturer, kEdit | WS_GROUP, 90, 47, 143, 14);
    dialog.Item(0x0082,
                L"A newer version of the same product name replaces an older one when it is installed.",
                IDC_Label, kLabel, 7, 67, 226, 18);
    dialog.Item(0x0082, L"", IDC_Problem, kLabel, 7, 89, 226, 18);
    dialog.Item(0x0080, L"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 129, 115, 50, 14);
    dialog.Item(0x0080, L"Cancel", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 183, 115, 50, 14);
    Exchange exchange{suggested};
    const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), owner, DialogProc,
                                                   reinterpret_cast<LPARAM>(&exchange));
    if (answer != IDOK) return std::nullopt;
    return exchange.details;
}

}  // namespace barsmith
