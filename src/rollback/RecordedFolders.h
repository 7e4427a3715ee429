// Folders that the undo can take back: each one made goes through the seam
// table and into the record; one that was there already, even empty, is
// never recorded, so the undo leaves it to its owner.
#pragma once

#include "rollback/ChangeRecord.h"

namespace RecordedFolders {

// Makes one folder, recorded. FALSE, with the system's error for
// GetLastError, when it cannot be made.
BOOL Create(ChangeRecord& record, Change::Area area, const CString& folder);

// Makes the missing levels of 'folder' (which ends in a backslash),
// outermost first, each recorded. FALSE when a level cannot be made; the
// levels made before stay recorded.
BOOL CreateMissingLevels(ChangeRecord& record, Change::Area area, const CString& folder);

} // namespace RecordedFolders
