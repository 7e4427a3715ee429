#include "RunReport.h"

#include "app/ChangeLines.h"
#include "base/CommandLine.h"
#include "base/MessageBoxes.h"
#include "base/RunLog.h"
#include "app/ExitCodes.h"
#include "app/TarvelDoc.h"
#include "install/Volume.h"
#include "script/ScriptKeys.h"

#include <string>

namespace RunReport {
namespace {

CString Bytes(ULONGLONG count)
{
    return CString(std::to_string(count).c_str()) + " bytes";
}

const char* ExitMeaning(int exitCode)
{
    switch (exitCode) {
    case EXIT_INSTALLED:
        return "installed";
    case EXIT_ANOTHER_INSTANCE:
        return "another installer is running";
    case EXIT_USER_ENDED:
        return "ended by the user before the install";
    case EXIT_FAILED_BEFORE_COPY:
        return "failed before the copy, nothing installed";
    case EXIT_FAILED_INSTALL:
        return "the install failed and was undone";
    case EXIT_CANCELLED_INSTALL:
        return "cancelled by the user and undone";
    default:
        return "unknown";
    }
}

const char* Shown(bool shown) { return shown ? "shown" : "not shown"; }

} // namespace

BOOL Start(const CommandLine::Switches& switches, const StartFacts& facts, ChangeRecord& changes)
{
    MessageBoxes::SetSuppressed(switches.SuppressesBoxes());
    if (!switches.IsLog)
        return TRUE;

    CString path;
    // Called while the folder the program was started in is still the
    // current one, so a relative path names a file where the user meant it.
    if (!RunLog::OpenAsAsked(switches.LogPath, path)) {
        const DWORD error = GetLastError();
        // A silent run has no one to tell; the exit code says it.
        if (switches.Mode == CommandLine::RunMode::Silent)
            return FALSE;
        MessageBoxes::Show(facts.Owner,
                           "The log file cannot be written:\n" + path + "\n" + RunLog::ErrorText(error)
                               + "\nThe installation goes on without a log.",
                           "Error", MB_OK | MB_ICONINFORMATION);
        return TRUE;
    }

    // Every change of the run and of its undo gets its line.
    changes.Observer = ChangeLines::Write;
    RunLog::Line("start", CString("Tarvel ") + facts.Version + ", command line: " + facts.CommandLine);
    RunLog::Line("start", CString("installer folder: ") + facts.InstallerFolder + ", started in: " + facts.StartFolder);
    CommandLine::LogMode(switches, switches.Mode);
    return TRUE;
}

void Settings(const CTarvelDoc& doc, const ShownDialogs& shown)
{
    if (!RunLog::IsOpen())
        return;
    char script[MAX_PATH] = {};
    DWORD length = GetFullPathNameA(SETUP_SCRIPT_FILE, sizeof(script), script, nullptr);
    RunLog::Line("script", (length > 0 && length < sizeof(script)) ? script : SETUP_SCRIPT_FILE);

    // The entries a lookup finds, in the script's order; a key written twice
    // is read from its first line, so the later ones are left out. The error
    // texts show up in the log when a box shows them.
    for (int i = 0; i < doc.ScriptCount; ++i) {
        const ScriptEntry& entry = doc.SetupScript[i];
        if (entry.Section.Compare(SEC_ERROR) == 0
            || FindScriptEntry(doc.SetupScript, doc.ScriptCount, entry.Section, entry.Key) != i)
            continue;
        RunLog::Line("setting", "[" + entry.Section + "] " + entry.Key + "=" + entry.Value);
    }

    RunLog::Line("setting", CString("install-folder dialog ") + Shown(shown.InstallFolder) + ", status dialog "
                                + Shown(shown.Status) + ", end dialog " + Shown(shown.End));
    if (!doc.InstallFolder.IsEmpty())
        RunLog::Line("setting", "default destination: " + doc.InstallFolder);
    if (doc.IsSharedComponents)
        RunLog::Line("setting", "shared folder: " + doc.SharedFolder);
}

void Destination(const CTarvelDoc& doc)
{
    if (!RunLog::IsOpen())
        return;
    const CString root = Volume::Root(doc.InstallFolder);
    ULONGLONG space = 0;
    CString line = "destination: " + doc.InstallFolder + ", ";
    if (Volume::QueryFreeSpace(root, space) == Volume::FreeSpace::Known)
        line += "free space " + Bytes(space) + " on " + (root.IsEmpty() ? CString("the current drive") : root);
    else
        line += "free space unknown on " + root;
    CString items;
    items.Format(", the package lists %u items, ", static_cast<unsigned>(doc.SourceList.size()));
    RunLog::Line("dest", line + items + Bytes(Volume::TotalSize(doc.SourceList)));
}

void End(int exitCode)
{
    RunLog::End(exitCode, ExitMeaning(exitCode));
}

} // namespace RunReport
