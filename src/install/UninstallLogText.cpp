// The uninstall log's text: its entries and its stored form. Apart from the
// file so that the reader of untrusted bytes builds and is fuzzed natively.
#include "install/UninstallLog.h"

#include "base/PathHelpers.h"

#include <cstring>

void AppendLogEntry(CString& text, LogEntry::Kind kind, const CString& path)
{
    if (kind == LogEntry::Kind::CreatedFolder)
        text += LOG_CREATED_FOLDER;
    else if (kind == LogEntry::Kind::CopiedFolder)
        text += LOG_COPIED_FOLDER;
    text += path;
    text += LOG_SEPARATOR;
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

bool IsSafeLogEntry(const LogEntry& entry, const CString& installFolder)
{
    // A zero byte would cut the path short wherever it is used next.
    if (static_cast<int>(strlen(entry.Path)) != entry.Path.GetLength())
        return false;
    if (entry.Type == LogEntry::Kind::CreatedFolder)
        return PathHelpers::IsLevelOf(entry.Path, installFolder);
    return PathHelpers::StaysInside(entry.Path);
}
