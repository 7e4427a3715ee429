#include "rollback/RunJournal.h"

#include "base/PathHelpers.h"
#include "base/SystemCalls.h"

#include <windows.h>

namespace RunJournal {

CString AsidePath(const CString& asideFolder, int number)
{
    CString path;
    path.Format("%s\\%d\\%d", static_cast<const char*>(asideFolder), number / FILES_PER_BUCKET,
                number % FILES_PER_BUCKET);
    return path;
}

bool IsAsideFolderName(const CString& folder)
{
    const CString trimmed = PathHelpers::WithoutTrailingBackslash(folder);
    const int start = PathHelpers::LastComponentStart(trimmed);
    const CString name = start < 0 ? trimmed : trimmed.Mid(start);
    return name.Left(static_cast<int>(sizeof(ASIDE_PREFIX) - 1)).CompareNoCase(ASIDE_PREFIX) == 0;
}

bool Writer::Start(const CString& asideFolder, const std::vector<Earlier>& earlier)
{
    const HANDLE file = Sys().CreateFileA(PathHelpers::WithTrailingBackslash(asideFolder) + JOURNAL_NAME,
                                    GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    Journal journal;
    journal.Root = PathHelpers::FolderOf(PathHelpers::WithoutTrailingBackslash(asideFolder));
    journal.Aside = asideFolder;
    journal.File = std::shared_ptr<void>(file, [](void* handle) { CloseHandle(handle); });
    CString lines;
    for (const Earlier& change : earlier) {
        const CString line = change.Folder ? FolderLine(journal, change.Path) : FileLine(journal, change.Path);
        if (!line.IsEmpty())
            lines += line + "\r\n";
    }
    if (!lines.IsEmpty() && !Write(journal, lines.Left(lines.GetLength() - 2), true))
        return false;
    m_journals.push_back(journal);
    return true;
}

CString Writer::FolderLine(const Journal& journal, const CString& path)
{
    if (PathHelpers::IsInside(path, journal.Root))
        return "folder " + path.Mid(journal.Root.GetLength() + 1);
    if (PathHelpers::IsLevelOf(path, journal.Root))
        return "level " + PathHelpers::WithoutTrailingBackslash(path);
    return CString();
}

CString Writer::FileLine(const Journal& journal, const CString& path)
{
    return PathHelpers::IsInside(path, journal.Root) ? "new " + path.Mid(journal.Root.GetLength() + 1) : CString();
}

Writer::Journal* Writer::Covering(const CString& path)
{
    for (Journal& journal : m_journals)
        if (PathHelpers::IsInside(path, journal.Root) || PathHelpers::IsLevelOf(path, journal.Root))
            return &journal;
    return nullptr;
}

bool Writer::Write(const Journal& journal, const CString& line, bool durable)
{
    const CString text = line + "\r\n";
    DWORD written = 0;
    return WriteFile(journal.File.get(), static_cast<const char*>(text), static_cast<DWORD>(text.GetLength()),
                     &written, nullptr)
        && written == static_cast<DWORD>(text.GetLength()) && (!durable || FlushFileBuffers(journal.File.get()));
}

bool Writer::FolderCreated(const CString& path)
{
    const Journal* journal = Covering(path);
    return !journal || Write(*journal, FolderLine(*journal, path));
}

bool Writer::FileWritten(const CString& path)
{
    const Journal* journal = Covering(path);
    if (!journal)
        return true;
    const CString line = FileLine(*journal, path);
    return line.IsEmpty() || Write(*journal, line);
}

bool Writer::Kept(const CString& asideFolder, int number, const CString& path)
{
    for (const Journal& journal : m_journals) {
        if (journal.Aside.CompareNoCase(asideFolder) != 0)
            continue;
        if (!PathHelpers::IsInside(path, journal.Root))
            return false;
        CString line;
        line.Format("kept %d %s", number, static_cast<const char*>(path.Mid(journal.Root.GetLength() + 1)));
        return Write(journal, line, true);
    }
    return false;
}

void Writer::Done()
{
    for (const Journal& journal : m_journals)
        Write(journal, "done", true);
}

void Writer::Finish(const CString& asideFolder)
{
    for (auto journal = m_journals.begin(); journal != m_journals.end(); ++journal) {
        if (journal->Aside.CompareNoCase(asideFolder) != 0)
            continue;
        journal->File.reset();
        DeleteFileA(PathHelpers::WithTrailingBackslash(asideFolder) + JOURNAL_NAME);
        m_journals.erase(journal);
        return;
    }
}

} // namespace RunJournal
