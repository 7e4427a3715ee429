#include "base/HeldFiles.h"

#include "base/RunLog.h"
#include "base/SystemCalls.h"

namespace HeldFiles {

bool IsHeld(DWORD error, const char* path)
{
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
        return true;
    if (error != ERROR_ACCESS_DENIED)
        return false;
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES
        && !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY));
}

BOOL Retried(const char* operation, const char* path, const std::function<BOOL()>& call)
{
    for (int attempt = 0;; ++attempt) {
        if (call())
            return TRUE;
        const DWORD error = GetLastError();
        if (attempt == PAUSE_COUNT || !IsHeld(error, path)) {
            SetLastError(error);
            return FALSE;
        }
        CString text;
        text.Format("%s: file held, try %d of %d in %lu ms: %s, ", operation, attempt + 2, PAUSE_COUNT + 1,
                    static_cast<unsigned long>(PAUSES_MS[attempt]), path);
        RunLog::Line("retry", text + RunLog::ErrorText(error));
        Sys().Sleep(PAUSES_MS[attempt]);
    }
}

BOOL CopyOver(const char* from, const char* to, BOOL failIfExists)
{
    return Retried("copy file", to, [&] { return Sys().CopyFileA(from, to, failIfExists); });
}

BOOL Rename(const char* from, const char* to)
{
    return Retried("rename", from, [&] { return Sys().MoveFileA(from, to); });
}

BOOL Delete(const char* path)
{
    return Retried("delete file", path, [&] { return Sys().DeleteFileA(path); });
}

BOOL SetAttributes(const char* path, DWORD attributes)
{
    return Retried("set attributes", path, [&] { return Sys().SetFileAttributesA(path, attributes); });
}

} // namespace HeldFiles
