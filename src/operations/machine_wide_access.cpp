#include "operations/machine_wide_access.h"

#include "model/button_definition.h"
#include "platform/registry_key.h"

namespace barsmith {

LSTATUS MachineWideWriteStatus(RegistryApi& api) {
    // The Extensions key itself, or where it would be made.
    for (const wchar_t* path : {kExtensionsPath, L"Software\\Microsoft\\Internet Explorer"}) {
        RegKey key;
        const LSTATUS status = key.Open(api, HKEY_LOCAL_MACHINE, path, KEY_CREATE_SUB_KEY | KEY_WOW64_64KEY);
        if (status != ERROR_FILE_NOT_FOUND) return status == ERROR_ACCESS_DENIED ? status : ERROR_SUCCESS;
    }
    return ERROR_SUCCESS;
}

}  // namespace barsmith
