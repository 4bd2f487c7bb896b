#include "storage/buttons_lock.h"

#include "storage/change_journal.h"

namespace barsmith {

ButtonsLock::ButtonsLock(RegistryApi& api, const MyButtonsCatalogue& catalogue)
    : lock_(kButtonsLockName, kButtonsLockTimeoutMs) {
    if (lock_.Held())
        unsettled_ = SettlePendingChanges(ChangeJournal(api, catalogue.Application()), ButtonKeys(api), catalogue);
}

}  // namespace barsmith
