// The uninstall plan's checks of the log's text it reads. Free of the file
// system and the registry, so that this reader of untrusted bytes builds and
// is fuzzed natively.
#include "uninst/UninstallPlan.h"

#include "base/PathHelpers.h"
#include "install/UninstallLog.h"

#include <cstring>

bool IsSafeLogText(const CString& text, const CString& installFolder)
{
    // A zero byte would cut every later use of the text short; the stored
    // form of a zero (0xFF) is no byte the installer writes.
    if (static_cast<int>(strlen(text)) != text.GetLength())
        return false;
    // The installer ends every entry with the separator: text after the last
    // one means the file was cut short.
    const int length = text.GetLength();
    if (length < 2 || text.Right(2) != LOG_SEPARATOR)
        return false;
    bool pastCreatedLevels = false;
    for (const LogEntry& entry : ParseLogText(text)) {
        // Created levels come first.
        const bool created = entry.Type == LogEntry::Kind::CreatedFolder;
        if ((created && pastCreatedLevels) || !IsSafeLogEntry(entry, installFolder))
            return false;
        pastCreatedLevels = pastCreatedLevels || !created;
    }
    return true;
}

PlanResult PlanLogEntries(const CString& text, const CString& uninstaller, UninstallPlan& plan)
{
    if (!IsSafeLogText(text, plan.InstallFolder))
        return PlanResult::BadLog;

    bool namesUninstaller = false;
    for (const LogEntry& entry : ParseLogText(text)) {
        switch (entry.Type) {
        case LogEntry::Kind::CreatedFolder:
            plan.CreatedLevels.push_back(PathHelpers::WithoutTrailingBackslash(entry.Path));
            break;
        case LogEntry::Kind::CopiedFolder:
            plan.Folders.push_back(plan.InstallFolder + entry.Path);
            break;
        case LogEntry::Kind::CopiedFile:
            plan.Files.push_back(plan.InstallFolder + entry.Path);
            namesUninstaller = namesUninstaller || plan.Files.back().CompareNoCase(uninstaller) == 0;
            break;
        }
    }
    // The installer logs the uninstaller among the last items; a log without
    // it was cut short at a separator.
    if (!namesUninstaller)
        return PlanResult::BadLog;
    return PlanResult::Ready;
}
