// The refusals of the package load: a failure line naming the missing file
// or key, and the text the driver's box will show.
#include "install/PackageLoading.h"

#include "base/RunLog.h"
#include "script/ScriptKeys.h"
#include "script/ScriptLimits.h"

namespace {

// Why a key the script seems to have was not read: the two ways a whole
// script reads as much less than it holds. Empty when neither applies.
CString WhyKeysWereNotRead(int entries)
{
    if (entries >= SCRIPT_MAX_ENTRIES) {
        CString why;
        why.Format("the script fills all %d entries of its table, so the lines after them are not read",
                   static_cast<int>(SCRIPT_MAX_ENTRIES));
        return why;
    }
    // Enough of the start to tell a script whose lines end in CR alone.
    char head[4096];
    UINT got = 0;
    CFile file;
    if (!file.Open(SETUP_SCRIPT_FILE, CFile::modeRead))
        return CString();
    try {
        got = file.Read(head, sizeof(head));
    } catch (const CFileException&) {
        return CString();
    }
    bool lineFeed = false, carriageReturnAlone = false;
    for (UINT i = 0; i < got; ++i) {
        lineFeed = lineFeed || head[i] == '\n';
        carriageReturnAlone = carriageReturnAlone || (head[i] == '\r' && (i + 1 == got || head[i + 1] != '\n'));
    }
    if (carriageReturnAlone && !lineFeed)
        return "the script's lines end in CR alone, so the whole script reads as its first line";
    return CString();
}

} // namespace

namespace PackageLoading {

BOOL Refuse(RunContext& run, const CString& text, const char* operation, const CString& path, DWORD systemError)
{
    run.FailWithText(text, operation, path);
    run.Failure.SystemError = systemError;
    return FALSE;
}

BOOL RefuseMissingFile(RunContext& run, const CString& path, DWORD systemError)
{
    RunLog::Failure("find package file", path, systemError);
    const bool notFound = systemError == ERROR_FILE_NOT_FOUND;
    CString text = run.GetScriptValue(SEC_ERROR, notFound ? KEY_ERR_MES_FILE_NOT_EXIST : KEY_ERR_MES_ERROR_OCCURRED);
    if (text.IsEmpty())
        text = CString(notFound ? "File not found." : "File open error.") + '\n' + path + "\n" + "Abort installation.";
    return Refuse(run, text, "find package file", path, systemError);
}

BOOL RefuseMissingKey(RunContext& run, const char* key, const CString& text)
{
    CString line = CString("find script key failed: ") + key + ", the script gives it no value";
    const CString why = WhyKeysWereNotRead(run.ScriptCount);
    if (!why.IsEmpty())
        line += ": " + why;
    RunLog::Line("failure", line);
    const CString shown = text.IsEmpty() ? CString("[") + key + "]Key not found.\nAbort installation." : text;
    return Refuse(run, shown, "find script key", key, ERROR_SUCCESS);
}

} // namespace PackageLoading
