#pragma once
#include "platform/form.h"

namespace barsmith {

// The one working window of the program.
class frmMain final : public Form {
public:
    explicit frmMain(FormRegistry& forms);
    bool Load();
    void Show(int showCommand);
};

}  // namespace barsmith
