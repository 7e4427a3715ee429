// The shared files log's text, apart from the file so that the reader of
// untrusted bytes builds and is fuzzed natively.
#include "install/SharedFilesLog.h"

#include "base/PathHelpers.h"
#include "install/UninstallLog.h"

#include <cstring>
#include <string>
#include <unordered_set>

namespace {

// The paths of one list, each once without regard to case, in time linear in
// the entries: a log of the size the reader takes, of distinct names, would
// otherwise cost hours of comparisons.
class PathsOnce
{
public:
    explicit PathsOnce(std::vector<CString>& list) : m_list(list)
    {
        for (const CString& known : list)
            m_seen.insert(Key(known));
    }
    void Add(const CString& path)
    {
        if (m_seen.insert(Key(path)).second)
            m_list.push_back(path);
    }

private:
    // The fold of CompareNoCase.
    static std::string Key(CString path) { return static_cast<const char*>(path.MakeLower()); }

    std::vector<CString>& m_list;
    std::unordered_set<std::string> m_seen;
};

} // namespace

BOOL ParseSharedFilesText(const CString& text, SharedFilesEntries& entries)
{
    if (text.IsEmpty())
        return TRUE;
    // A zero byte, or text after the last separator: not what an install wrote.
    if (static_cast<int>(strlen(text)) != text.GetLength() || text.Right(2) != LOG_SEPARATOR)
        return FALSE;
    PathsOnce folders(entries.Folders), files(entries.Files);
    for (const LogEntry& entry : ParseLogText(text)) {
        if (entry.Type == LogEntry::Kind::CreatedFolder || !PathHelpers::StaysInside(entry.Path))
            return FALSE;
        (entry.Type == LogEntry::Kind::CopiedFolder ? folders : files).Add(entry.Path);
    }
    return TRUE;
}

CString SharedFilesLogText(const SharedFilesEntries& earlier, const SharedFilesEntries& now)
{
    SharedFilesEntries all = earlier;
    PathsOnce folders(all.Folders), files(all.Files);
    for (const CString& folder : now.Folders)
        folders.Add(folder);
    for (const CString& file : now.Files)
        files.Add(file);
    // Folders first: read back, a folder still comes before what it holds.
    CString text;
    for (const CString& folder : all.Folders)
        AppendLogEntry(text, LogEntry::Kind::CopiedFolder, folder);
    for (const CString& file : all.Files)
        AppendLogEntry(text, LogEntry::Kind::CopiedFile, file);
    return text;
}
