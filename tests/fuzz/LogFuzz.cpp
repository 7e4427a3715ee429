// Fuzz target for the two uninstall logs as the uninstaller reads them:
// "setupf.cfn" (its entries, the checks and the plan made of them) and
// "sharedf.cfn" (its entries and checks). The input is the decoded text; the
// stored form is a byte-for-byte shift of it. Each input is checked for:
//   - the stored form going back to the same text;
//   - the entries written again giving the text up to its last separator;
//   - a text found safe naming nothing outside: every created level the
//     installation folder or one of its ancestors, every file and folder
//     strictly below it (after the system's own reading of the path);
//   - a plan made only of a safe text that names the uninstaller;
//   - a shared files log taken only when each entry lies below the shared
//     folder, each path once, and written again to the same entries.
#include "install/SharedFilesLog.h"
#include "install/UninstallLog.h"
#include "uninst/UninstallPlan.h"
#include "FuzzDriver.h"
#include "PathModel.h"

#include <cstring>
#include <set>

namespace {

// Installation folders as the uninstaller has them (with their backslash),
// one ending in a double-byte character whose trail byte is a backslash.
const char* const FOLDERS[] = {
    "C:\\Program Files\\Zerdane\\Pkg\\",
    "C:\\\x95\x5C\\",
    "D:\\a\\b\\c\\",
};

void CheckSharedFiles(const CString& text, const std::string& input)
{
    SharedFilesEntries entries;
    if (!ParseSharedFilesText(text, entries))
        return;
    const std::string shared = "C:\\Program Files\\Common Files\\Zerdane\\";
    for (const std::vector<CString>* list : {&entries.Folders, &entries.Files}) {
        std::set<std::string> seen;
        for (CString path : *list) {
            FUZZ_EXPECT(PathModel::StrictlyBelow(shared + static_cast<const char*>(path), shared));
            FUZZ_EXPECT(seen.insert(static_cast<const char*>(path.MakeLower())).second);
        }
    }
    SharedFilesEntries again;
    FUZZ_EXPECT(ParseSharedFilesText(SharedFilesLogText(entries, SharedFilesEntries()), again));
    FUZZ_EXPECT(again.Folders == entries.Folders && again.Files == entries.Files);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const CString text(input.data(), static_cast<int>(input.size()));
    FUZZ_EXPECT(text.GetLength() == static_cast<int>(input.size()));
    FUZZ_EXPECT(DecodeLogText(EncodeLogText(text)) == text);

    // The entries written again: the text up to its last separator, the
    // prefixes perhaps in another case.
    const std::vector<LogEntry> entries = ParseLogText(text);
    const bool hasZero = std::strlen(text) != input.size();
    if (!hasZero) {
        CString again;
        for (const LogEntry& entry : entries)
            AppendLogEntry(again, entry.Type, entry.Path);
        const size_t end = input.rfind(LOG_SEPARATOR);
        const CString parsed = entries.empty() ? CString() : text.Left(static_cast<int>(end) + 2);
        FUZZ_EXPECT(again.GetLength() == parsed.GetLength() && again.CompareNoCase(parsed) == 0);
    }

    std::uint32_t hash = 2166136261u;
    for (unsigned char c : input)
        hash = (hash ^ c) * 16777619u;
    const std::string folder = FOLDERS[hash % (sizeof FOLDERS / sizeof FOLDERS[0])];
    const bool safe = IsSafeLogText(text, folder.c_str());
    FUZZ_EXPECT(!safe || !hasZero);
    if (safe) {
        for (const LogEntry& entry : entries) {
            const std::string path = static_cast<const char*>(entry.Path);
            if (entry.Type == LogEntry::Kind::CreatedFolder)
                FUZZ_EXPECT(PathModel::LevelOf(path, folder));
            else
                FUZZ_EXPECT(PathModel::StrictlyBelow(folder + path, folder));
        }
    }

    UninstallPlan plan;
    plan.InstallFolder = folder.c_str();
    const CString uninstaller = plan.InstallFolder + "uninst.exe";
    if (PlanLogEntries(text, uninstaller, plan) == PlanResult::Ready) {
        FUZZ_EXPECT(safe);
        bool namesUninstaller = false;
        for (const CString& file : plan.Files) {
            FUZZ_EXPECT(PathModel::StrictlyBelow(static_cast<const char*>(file), folder));
            namesUninstaller = namesUninstaller || file.CompareNoCase(uninstaller) == 0;
        }
        FUZZ_EXPECT(namesUninstaller);
        for (const CString& sub : plan.Folders)
            FUZZ_EXPECT(PathModel::StrictlyBelow(static_cast<const char*>(sub), folder));
        for (const CString& level : plan.CreatedLevels)
            FUZZ_EXPECT(PathModel::LevelOf(static_cast<const char*>(level), folder));
    }

    CheckSharedFiles(text, input);
    return 0;
}

namespace {

const char* const LOG_TOKENS[] = {
    "? ", "<f>:", "<d>:", "<F>:", "<D>:", "?", ":", "\\", "/", "..", "...", ". ", ".", " ", "\x81", "\x95\x5C",
    "\x81/", "\x81?", "C:\\", "c:\\program files\\zerdane\\pkg", "\\\\?\\", "\\\\.\\", "CON", "nul.txt", "COM1",
    "::$DATA", "uninst.exe? ", "\xFF", "*",
};

} // namespace

// The uninstaller reads at most 4 MiB of a log.
const FuzzTarget FUZZ_TARGET = {"log", LOG_TOKENS, sizeof LOG_TOKENS / sizeof LOG_TOKENS[0], 4u << 20};
