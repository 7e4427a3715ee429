#include "uninst/SharedUsers.h"

#include "base/FileOps.h"
#include "base/PathHelpers.h"
#include "base/RegistryText.h"
#include "install/RegistrationNames.h"

namespace SharedUsers {

CString OtherInstallation(const UninstallPlan& plan)
{
    for (const ProductKey& product : plan.Products) {
        CString keyFile;
        if (!RegistryText::Read(plan.Root, product.KeyPath, VALUE_KEY_FILE, keyFile) || keyFile.IsEmpty())
            continue;
        if (keyFile.CompareNoCase(product.KeyFile) == 0 || PathHelpers::IsInside(keyFile, plan.InstallFolder))
            continue;
        if (FileOps::Exists(keyFile))
            return keyFile;
    }
    return CString();
}

} // namespace SharedUsers
