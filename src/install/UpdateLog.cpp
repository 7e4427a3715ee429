#include "install/UpdateLog.h"

#include "base/PathHelpers.h"

#include <set>
#include <string>

namespace {

// Names compare as the file system compares them: single-byte letters
// folded, double-byte characters as they are.
std::string Key(const CString& path)
{
    CString lowered = path;
    lowered.MakeLower();
    return lowered.str();
}

bool IsThereAs(const CString& path, LogEntry::Kind kind)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return folder == (kind == LogEntry::Kind::CopiedFolder);
}

} // namespace

int AppendKeptEarlierEntries(CString& text, const std::vector<LogEntry>& earlier, const CString& installFolder)
{
    // A name this run logs, as a file or a folder, is this run's to name.
    std::set<std::string> named;
    for (const LogEntry& entry : ParseLogText(text))
        if (entry.Type != LogEntry::Kind::CreatedFolder)
            named.insert(Key(entry.Path));

    const CString base = PathHelpers::WithTrailingBackslash(installFolder);
    int kept = 0;
    for (const LogEntry& entry : earlier) {
        // The uninstaller removes every file before any folder, and the
        // folders from the last entry back: an earlier folder kept inside one
        // of this run's goes before it.
        if (entry.Type == LogEntry::Kind::CreatedFolder)
            continue;
        const std::string key = Key(entry.Path);
        if (named.count(key) || !IsThereAs(base + entry.Path, entry.Type))
            continue;
        named.insert(key);
        AppendLogEntry(text, entry.Type, entry.Path);
        ++kept;
    }
    return kept;
}
