// The shared folder: its missing levels created and recorded, the list of
// the package's shared files, and the free space of its drive.
#include "install/TarvelDoc.h"

#include "base/FileOps.h"
#include "base/PathHelpers.h"
#include "install/Volume.h"
#include "rollback/RecordedFolders.h"

int CTarvelDoc::PrepareSharedFolder()
{
    SharedFolder = PathHelpers::WithTrailingBackslash(SharedFolder);
    Record().SetLinkRoot(Change::Area::Shared, SharedFolder);

    if (!FileOps::Exists(SharedFolder)
        && !RecordedFolders::CreateMissingLevels(Record(), Change::Area::Shared, SharedFolder))
        return Fail(ERROR_CODE_WRITE, "create folder", SharedFolder);

    // The list grows with the scan: a shared folder of any size fits.
    SharedFileList.clear();
    SharedFileCount = 0;
    int end = 0;
    int count = ScanSourceFolder("..\\" + SharedSourceFolder + "\\*.*", SharedFileList, 0, &end);
    if (count < 0)
        return 0;
    if (static_cast<size_t>(count) < SharedFileList.size())
        SharedFileList.resize(static_cast<size_t>(count));
    SharedFileCount = static_cast<int>(SharedFileList.size());

    return Volume::HasRoomFor(*this, SharedFolder, SharedFileList) ? 1 : 0;
}
