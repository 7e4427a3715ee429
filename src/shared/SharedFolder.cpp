// The shared folder: its missing levels created and journalled, the list of
// the package's shared files, and the free space of its drive.
#include "app/TarvelDoc.h"

#include "app/PathHelpers.h"
#include "app/SystemCalls.h"
#include "app/TarvelApp.h"
#include "install/Volume.h"
#include "script/ScriptKeys.h"

namespace {

void JournalSharedFolder(const CString& level)
{
    TarvelApp()->AddCreatedSharedFolder(level);
}

} // namespace

int CTarvelDoc::PrepareSharedFolder()
{
    SharedFolder = PathHelpers::WithTrailingBackslash(SharedFolder);

    if (!Volume::Exists(SharedFolder) && !Volume::CreateMissingLevels(SharedFolder, JournalSharedFolder)) {
        RemoveCreatedSharedFolders();
        ShowErrorCode(ERROR_CODE_WRITE);
        return 0;
    }

    // The list grows with the scan: a shared folder of any size fits.
    SharedFileList.clear();
    SharedFileCount = 0;
    int end = 0;
    int count = ScanSourceFolder("..\\" + SharedSourceFolder + "\\*.*", SharedFileList, 0, &end);
    if (count < 0) {
        RemoveCreatedSharedFolders();
        return 0;
    }
    if (static_cast<size_t>(count) < SharedFileList.size())
        SharedFileList.resize(static_cast<size_t>(count));
    SharedFileCount = static_cast<int>(SharedFileList.size());

    ULONGLONG freeSpace = 0;
    switch (Volume::QueryFreeSpace(Volume::Root(SharedFolder), freeSpace)) {
    case Volume::FreeSpace::Known:
        break;
    case Volume::FreeSpace::ExFailed:
        RemoveCreatedSharedFolders();
        ShowErrorCode(ERROR_CODE_GENERAL);
        return 0;
    case Volume::FreeSpace::FallbackFailed:
        RemoveCreatedSharedFolders();
        ShowMessage(GetScriptValue(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED));
        return 0;
    }

    // Equal is not enough: the file system needs some room of its own.
    if (freeSpace <= Volume::TotalSize(SharedFileList)) {
        RemoveCreatedSharedFolders();
        ShowErrorCode(ERROR_CODE_NOSPACE);
        return 0;
    }
    return 1;
}

void CTarvelDoc::RemoveCreatedSharedFolders()
{
    CStringArray folders;
    int count = TarvelApp()->GetCreatedSharedFolders(folders);
    // Innermost first; a folder that holds anything stays.
    for (int i = count - 1; i >= 0; --i)
        RemoveDirectoryA(folders[i]);
}
