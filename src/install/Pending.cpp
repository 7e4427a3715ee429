// Placeholders for the steps that are being built; each goes as its real
// implementation lands.
#include "app/TarvelDoc.h"

// install/Execute.cpp
BOOL CTarvelDoc::RunInstall() { return FALSE; }

// rollback/
int CTarvelDoc::WriteUninstallLog() { return 0; }
void CTarvelDoc::RollBackInstall() {}
void CTarvelDoc::RollBackSharedFiles() {}
void CTarvelDoc::DeleteFileAndEmptyFolder(const CString&, CString) {}
BOOL CTarvelDoc::SaveReplacedFile(const CString&) { return FALSE; }
void CTarvelDoc::RestoreReplacedFiles() {}
void CTarvelDoc::DropReplacedFiles() {}

// shared/
int CTarvelDoc::MakeWritableIfListed(CString, CString) { return 0; }
