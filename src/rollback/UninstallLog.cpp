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

std::vector<LogEntry> ParseLogText(const CString& text)
{
    std::vector<LogEntry> entries;
    // '?' is never the trail byte of a double-byte character, so a plain
    // search finds only real separators.
    int start = 0;
    for (int end; (end = text.Find(LOG_SEPARATOR, start)) >= 0; start = end + 2) {
        const CString entry = text.Mid(start, end - start);
        const CString kind = entry.Left(4);
        LogEntry parsed;
        if (kind.CompareNoCase(LOG_COPIED_FOLDER) == 0) {
            parsed.Type = LogEntry::Kind::CopiedFolder;
            parsed.Path = entry.Mid(4);
        } else if (kind.CompareNoCase(LOG_CREATED_FOLDER) == 0) {
            parsed.Type = LogEntry::Kind::CreatedFolder;
            parsed.Path = entry.Mid(4);
        } else {
            parsed.Path = entry;
        }
        entries.push_back(parsed);
    }
    return entries;
}

CString EncodeLogText(const CString& text)
{
    CString stored = text;
    for (int i = 0; i < stored.GetLength(); ++i)
        stored.SetAt(i, static_cast<char>(stored[i] - 1));
    return stored;
}

CString DecodeLogText(const CString& stored)
{
    CString text = stored;
    for (int i = 0; i < text.GetLength(); ++i)
        text.SetAt(i, static_cast<char>(text[i] + 1));
    return text;
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
