#pragma once
// Whether this copy of the program may write the buttons of everyone on the
// computer, asked before a change so that none is begun that must fail.
#include <windows.h>

#include "platform/registry_api.h"

namespace barsmith {

// ERROR_ACCESS_DENIED when the machine-wide browser key refuses this copy the
// right to make keys below it (a user without the administrator's rights);
// ERROR_SUCCESS otherwise, a missing key included: the change itself tells then.
LSTATUS MachineWideWriteStatus(RegistryApi& api);

}  // namespace barsmith
