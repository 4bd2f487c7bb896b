#include "platform/common_dialog.h"

#include <cderr.h>

#include <algorithm>

namespace barsmith {

bool SystemFileDialog::Show(const char* function, OPENFILENAMEW& request) {
    // The dialog shows the shell's namespace, which wants COM on this thread.
    if (!com_) com_.emplace();
    const auto show = comdlg32_.Find<decltype(GetOpenFileNameW)>(function);
    return show && show(&request) != FALSE;
}

DWORD SystemFileDialog::ExtendedError() {
    const auto error = comdlg32_.Find<decltype(CommDlgExtendedError)>("CommDlgExtendedError");
    // Without comdlg32 there was no dialog to show: that is a failure, not a cancel.
    return error ? error() : CDERR_INITIALIZATION;
}

std::wstring ToDialogFilter(const std::wstring& filter) {
    if (filter.empty()) return {};
    std::wstring converted = filter;
    std::replace(converted.begin(), converted.end(), L'|', L'\0');
    converted.append(2, L'\0');
    return converted;
}

std::optional<std::wstring> FileDialog::Show(HWND owner, bool save) {
    std::wstring file(kMaxPath + 1, L'\0');
    std::copy_n(FileName.begin(), std::min<size_t>(FileName.size(), kMaxPath), file.begin());
    const std::wstring filter = ToDialogFilter(Filter);

    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner;
    request.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = file.data();
    request.nMaxFile = kMaxPath;  // in characters, not bytes
    request.lpstrInitialDir = InitDir.empty() ? nullptr : InitDir.c_str();
    request.lpstrTitle = DialogTitle.empty() ? nullptr : DialogTitle.c_str();
    request.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
    request.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | (save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : 0);

    // A cancel, or a dialog that failed, leaves everything as it was.
    if (!(save ? dialog_.ShowSaveDialog(request) : dialog_.ShowOpenDialog(request))) return std::nullopt;
    FileName = file.c_str();
    return FileName;
}

}  // namespace barsmith
