// The step that writes the two uninstall logs: "setupf.cfn" from the run's
// log text, and "sharedf.cfn" from the record's shared changes. Each returns
// FALSE with the failure kept in 'run'.
#pragma once

#include "install/RunContext.h"

namespace UninstallLogs {

// "setupf.cfn". The log text is left encoded: the caller decodes it again
// whatever happens here.
BOOL Write(RunContext& run);

// "sharedf.cfn": the shared files this run (and earlier installs into the
// same folder) wrote, for the uninstaller. Only with shared components.
BOOL WriteShared(RunContext& run);

// Writes a log's stored bytes to 'path' read-only, an earlier file kept
// aside and the new one recorded.
BOOL Store(RunContext& run, const CString& path, const CString& stored);

} // namespace UninstallLogs
