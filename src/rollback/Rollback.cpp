// The undo of a failed install, as the drivers call it: every change lives
// in the run's record, and the record's runner takes each one back.
#include "install/TarvelDoc.h"
#include "rollback/KeptAside.h"

void CTarvelDoc::RollBackInstall()
{
    // One undo for every failure, whichever step met it: the record holds
    // the package's files, the links and registry entries, and each shared
    // library's counter, registration and files, so exactly this run's
    // changes go back and a library another product counts or installed
    // keeps its registration.
    Record().UndoAll();
}

BOOL CTarvelDoc::KeepAside(Change::Area area, const CString& root, const CString& path)
{
    return KeptAside::Keep(Record(), area, root, path);
}
