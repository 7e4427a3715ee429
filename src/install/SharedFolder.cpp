// The shared folder: its missing levels created and recorded, the list of
// the package's shared files, and the free space of its drive.
#include "install/SharedComponents.h"

#include "base/FileOps.h"
#include "base/PathHelpers.h"
#include "install/Prepare.h"
#include "install/Volume.h"
#include "rollback/RecordedFolders.h"

namespace SharedComponents {

BOOL PrepareFolder(RunContext& run)
{
    run.SharedFolder = PathHelpers::WithTrailingBackslash(run.SharedFolder);
    run.Record().SetLinkRoot(Change::Area::Shared, run.SharedFolder);

    if (!FileOps::Exists(run.SharedFolder)
        && !RecordedFolders::CreateMissingLevels(run.Record(), Change::Area::Shared, run.SharedFolder))
        return run.Fail(ERROR_CODE_WRITE, "create folder", run.SharedFolder);

    // The list grows with the scan: a shared folder of any size fits.
    run.SharedFileList.clear();
    run.SharedFileCount = 0;
    int end = 0;
    const CString pattern = "..\\" + run.SharedSourceFolder + "\\*.*";
    int count = Preparation::ScanSourceFolder(run, pattern, run.SharedFileList, 0, &end);
    if (count < 0)
        return FALSE;
    if (static_cast<size_t>(count) < run.SharedFileList.size())
        run.SharedFileList.resize(static_cast<size_t>(count));
    run.SharedFileCount = static_cast<int>(run.SharedFileList.size());

    return Volume::HasRoomFor(run, run.SharedFolder, run.SharedFileList);
}

} // namespace SharedComponents
