#include "rollback/RecordedFolders.h"

#include "base/FileOps.h"
#include "base/SystemCalls.h"

namespace RecordedFolders {

BOOL Create(ChangeRecord& record, Change::Area area, const CString& folder)
{
    if (!Sys().CreateDirectoryA(folder, nullptr))
        return FALSE;
    record.FolderCreated(area, folder);
    return TRUE;
}

BOOL CreateMissingLevels(ChangeRecord& record, Change::Area area, const CString& folder)
{
    return FileOps::CreateMissingLevels(folder, [&record, area](const CString& level) {
        record.FolderCreated(area, level);
    });
}

} // namespace RecordedFolders
