// The uninstall log "setupf.cfn": the log text, every byte stored minus 1,
// left read-only in the installation folder for the package's uninstaller.
#include "rollback/UninstallLog.h"

#include "afxfile.h"
#include "app/PathHelpers.h"
#include "app/SystemCalls.h"
#include "app/TarvelDoc.h"

namespace {

// TRUE when the doc already holds a saved copy of this exact path.
bool IsSaved(const CTarvelDoc& doc, const CString& path)
{
    for (const CTarvelDoc::ReplacedFile& saved : doc.ReplacedFiles)
        if (saved.Destination == path)
            return true;
    return false;
}

} // namespace

CString UninstallLogPath(const CString& installFolder)
{
    return PathHelpers::WithTrailingBackslash(installFolder) + UNINSTALL_LOG_NAME;
}

int CTarvelDoc::WriteUninstallLog()
{
    // Encoded in place and left so: the caller adds the 1 back to every byte
    // whatever happens here.
    const int length = LogText.GetLength();
    for (int i = 0; i < length; ++i)
        LogText.SetAt(i, static_cast<char>(LogText[i] - 1));

    const CString path = UninstallLogPath(InstallFolder);
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        // An earlier installation's log: keep it until the install succeeds.
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsSaved(*this, path) && !SaveReplacedFile(path)) {
            ShowErrorCode(ERROR_CODE_NOSPACE);
            return 0;
        }
        // If this fails, opening the file for writing fails and says so.
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            DWORD rest = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
            Sys().SetFileAttributesA(path, rest ? rest : FILE_ATTRIBUTE_NORMAL);
        }
    }

    CFile file;
    if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary)) {
        ShowErrorCode(ERROR_CODE_NOSPACE);
        return 0;
    }
    try {
        file.Write(static_cast<const char*>(LogText), static_cast<UINT>(length));
    } catch (const CFileException&) {
        // A log cut short would make the uninstaller leave things behind.
        file.Abort();
        DeleteFileA(path);
        ShowErrorCode(ERROR_CODE_NOSPACE);
        return 0;
    }
    try {
        file.Close();
    } catch (const CFileException&) {
        ShowErrorCode(ERROR_CODE_NOSPACE);
        return 0;
    }

    CFileStatus status;
    if (!CFile::GetStatus(path, status)) {
        ShowErrorCode(ERROR_CODE_GENERAL);
        return 0;
    }
    status.m_attribute |= CFile::readOnly;
    try {
        CFile::SetStatus(path, status);
    } catch (const CFileException&) {
        ShowErrorCode(ERROR_CODE_GENERAL);
        return 0;
    }
    return 1;
}
