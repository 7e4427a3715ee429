// The undo of a failed install, as the drivers call it: every change lives
// in the run's record, and the record's runner takes each one back.
#include "install/TarvelDoc.h"
#include "rollback/KeptAside.h"

void CTarvelDoc::RollBackInstall()
{
    // The package's files, then the links and registry entries that point
    // at them.
    Record().UndoArea(Change::Area::Package);
    Record().UndoArea(Change::Area::Shortcuts);
}

BOOL CTarvelDoc::KeepAside(Change::Area area, const CString& root, const CString& path)
{
    return KeptAside::Keep(Record(), area, root, path);
}
