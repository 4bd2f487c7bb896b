#pragma once
// The small dialog that asks what an installer package is to be called:
// product name, version and manufacturer. A dialog of the system's dialog
// manager, so that Tab, Enter and Esc work as in any dialog; OK stays
// refused, with the reason shown in the dialog, until the product is named
// and the version is three numbers the installer takes.
#include <windows.h>

#include <optional>

#include "formats/msi_package.h"

namespace barsmith {

class PackageQuestionSeam {
public:
    virtual ~PackageQuestionSeam() = default;
    // The details the user gave, starting from `suggested`; nothing when cancelled.
    virtual std::optional<PackageDetails> Ask(HWND owner, const PackageDetails& suggested) = 0;
};

class PackageDialog final : public PackageQuestionSeam {
public:
    std::optional<PackageDetails> Ask(HWND owner, const PackageDetails& suggested) override;
};

}  // namespace barsmith
