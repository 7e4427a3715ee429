// The uninstall log "setupf.cfn": where it lies in the installation folder.
// The install writes it, the rollback deletes it, and the install keeps an
// earlier installation's copy aside before either can touch it.
#pragma once

#include "afxstr.h"

// The log's file name inside the installation folder.
constexpr char UNINSTALL_LOG_NAME[] = "setupf.cfn";

// The log's full path: the folder, exactly one backslash, the name. A folder
// ending in a double-byte character whose trail byte is 0x5C still gets its
// backslash.
CString UninstallLogPath(const CString& installFolder);
