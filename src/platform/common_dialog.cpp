#include "platform/common_dialog.h"

#include <algorithm>

namespace barsmith {

std::wstring ToDialogFilter(const std::wstring& filter) {
    if (filter.empty()) return {};
    std::wstring converted = filter;
    std::replace(converted.begin(), converted.end(), L'|', L'\0');
    converted.append(2, L'\0');
    return converted;
}

void CommonDialog::Show(HWND owner, bool save) {
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

    if (!(save ? dialog_.ShowSaveDialog(request) : dialog_.ShowOpenDialog(request))) {
        // A cancel without CancelError leaves everything as it was, silently.
        if (CancelError || CommDlgExtendedError() != 0) throw DialogCancelled();
        return;
    }
    FileName = file.c_str();
}

}  // namespace barsmith
