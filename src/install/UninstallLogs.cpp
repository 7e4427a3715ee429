// The two uninstall logs the install leaves in the installation folder,
// "setupf.cfn" and (with shared components) "sharedf.cfn": each written
// read-only, an earlier one kept aside until the install succeeds.
#include "install/UninstallLogs.h"

#include "base/HeldFiles.h"
#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"
#include "install/SharedComponents.h"
#include "install/SharedFilesLog.h"
#include "install/UninstallLog.h"
#include "rollback/KeptAside.h"

namespace UninstallLogs {

BOOL Write(RunContext& run)
{
    // Encoded in place and left so: the caller adds the 1 back to every byte
    // whatever happens here.
    run.LogText = EncodeLogText(run.LogText);
    return Store(run, UninstallLogPath(run.InstallFolder), run.LogText);
}

BOOL Store(RunContext& run, const CString& path, const CString& stored)
{
    const DWORD attributes = GetFileAttributesA(path);
    // An earlier installation's log (read-only, as every log is left) is
    // kept until the install succeeds.
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)
        && !KeptAside::Keep(run.Record(), Change::Area::Package, run.InstallFolder, path))
        return run.Fail(ERROR_CODE_NOSPACE, "keep aside", path);

    // Recorded before it is written: a log cut short would make the
    // uninstaller leave things behind, so a failed write takes it away.
    run.Record().FileWritten(Change::Area::Package, path);
    ScopedHandle file(
        Sys().CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return run.Fail(ERROR_CODE_NOSPACE, "create file", path);
    const DWORD length = static_cast<DWORD>(stored.GetLength());
    DWORD written = 0;
    if (!Sys().WriteFile(file.Get(), static_cast<const char*>(stored), length, &written, nullptr)
        || written != length)
        return run.Fail(ERROR_CODE_NOSPACE, "write file", path);
    file.Close();

    const DWORD now = GetFileAttributesA(path);
    if (now == INVALID_FILE_ATTRIBUTES)
        return run.Fail(ERROR_CODE_GENERAL, "get attributes", path);
    if (!HeldFiles::SetAttributes(path, now | FILE_ATTRIBUTE_READONLY))
        return run.Fail(ERROR_CODE_GENERAL, "set attributes", path);
    return TRUE;
}

BOOL WriteShared(RunContext& run)
{
    const int baseLength = PathHelpers::WithTrailingBackslash(run.SharedFolder).GetLength();
    // Each path once: SharedFilesLogText drops the repeats.
    SharedFilesEntries now;
    for (const Change& change : run.Record().Changes()) {
        if (change.Where != Change::Area::Shared || !PathHelpers::IsInside(change.Path, run.SharedFolder))
            continue;
        const CString relative = change.Path.Mid(baseLength);
        if (change.Type == Change::Kind::FolderCreated)
            now.Folders.push_back(relative);
        // A file replaced counts too: the package wrote it, and it goes with
        // the maker's last package.
        else if (change.Type == Change::Kind::FileWritten && !SharedComponents::IsLibrary(run, change.Source))
            now.Files.push_back(relative);
    }

    const CString path = SharedFilesLogPath(run.InstallFolder);
    SharedFilesEntries earlier;
    // An earlier log that cannot be trusted adds nothing: this run's entries
    // are still right.
    if (!ReadSharedFilesLog(path, earlier))
        earlier = SharedFilesEntries();
    return Store(run, path, EncodeLogText(SharedFilesLogText(earlier, now)));
}

} // namespace UninstallLogs
