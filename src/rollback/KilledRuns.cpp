#include "rollback/KilledRuns.h"

#include "base/FileOps.h"
#include "base/PathHelpers.h"
#include "base/RunLog.h"
#include "base/ScopedHandles.h"
#include "rollback/RunJournal.h"
#include "rollback/UndoSteps.h"

#include <windows.h>

#include <cstdlib>
#include <set>
#include <string>

namespace KilledRuns {

namespace {

// A journal names one line per file of a package; far more than any package
// holds is no journal of ours.
constexpr DWORD MAX_JOURNAL_BYTES = 64u * 1024u * 1024u;
constexpr long MAX_KEPT_NUMBER = 16L * 1024L * 1024L;

bool StartsWith(const CString& text, const char* prefix, CString& rest)
{
    const int length = static_cast<int>(strlen(prefix));
    if (text.GetLength() < length || strncmp(text, prefix, static_cast<size_t>(length)) != 0)
        return false;
    rest = text.Mid(length);
    return true;
}

// Digits only, no sign, within the bound.
bool ReadNumber(const CString& text, long bound, long& number)
{
    if (text.IsEmpty() || text.GetLength() > 9)
        return false;
    for (int i = 0; i < text.GetLength(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    number = std::strtol(text, nullptr, 10);
    return number <= bound;
}

bool ParseLine(const CString& line, const CString& root, Journal& journal)
{
    CString rest;
    Step step;
    if (line == "done") {
        journal.Done = true;
        return true;
    }
    if (StartsWith(line, "level ", rest)) {
        if (!PathHelpers::IsLevelOf(rest, root))
            return false;
        step.Type = Step::Kind::Level;
        step.Path = PathHelpers::WithoutTrailingBackslash(rest);
    } else if (StartsWith(line, "kept ", rest)) {
        const int space = rest.Find(' ');
        long number = 0;
        if (space <= 0 || !ReadNumber(rest.Left(space), MAX_KEPT_NUMBER, number))
            return false;
        step.Type = Step::Kind::Kept;
        step.Number = static_cast<int>(number);
        rest = rest.Mid(space + 1);
    } else if (StartsWith(line, "folder ", rest)) {
        step.Type = Step::Kind::Folder;
    } else if (StartsWith(line, "new ", rest)) {
        step.Type = Step::Kind::New;
    } else {
        return false;
    }
    if (step.Type != Step::Kind::Level) {
        if (!PathHelpers::StaysInside(rest))
            return false;
        step.Path = PathHelpers::WithTrailingBackslash(root) + rest;
    }
    journal.Steps.push_back(step);
    return true;
}

bool ReadJournal(const CString& path, CString& text)
{
    ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    const DWORD size = GetFileSize(file.Get(), nullptr);
    if (size == INVALID_FILE_SIZE || size > MAX_JOURNAL_BYTES)
        return false;
    std::string bytes(size, '\0');
    DWORD read = 0;
    if (size > 0 && (!ReadFile(file.Get(), &bytes[0], size, &read, nullptr) || read != size))
        return false;
    // A zero byte would cut a path short; no line of ours holds one.
    if (bytes.find('\0') != std::string::npos)
        return false;
    text = bytes.c_str();
    return true;
}

// The undo the killed run did not get to, newest step first. A file that was
// there before the run (its first line is a "kept") comes back from the
// aside folder; one that the run added goes.
void FinishUndo(const Journal& journal, const CString& asideFolder)
{
    for (auto step = journal.Steps.rbegin(); step != journal.Steps.rend(); ++step) {
        switch (step->Type) {
        case Step::Kind::Kept: {
            const CString aside = RunJournal::AsidePath(asideFolder, step->Number);
            if (FileOps::Exists(aside)) {
                Undo::PutBackFile(aside, step->Path);
                RunLog::Line("recover", "put back: " + step->Path);
            }
            break;
        }
        case Step::Kind::New: {
            bool keptBefore = false;
            for (auto earlier = step + 1; earlier != journal.Steps.rend() && !keptBefore; ++earlier)
                keptBefore = earlier->Type == Step::Kind::Kept && earlier->Path.CompareNoCase(step->Path) == 0;
            if (!keptBefore && FileOps::Exists(step->Path) && !FileOps::IsFolder(step->Path)) {
                if (Undo::RemoveFile(step->Path))
                    RunLog::Line("recover", "file removed: " + step->Path);
                else
                    RunLog::Failure("recover: remove file", step->Path, GetLastError());
            }
            break;
        }
        case Step::Kind::Folder:
            if (FileOps::IsFolder(step->Path) && Undo::RemoveFolderIfEmpty(step->Path))
                RunLog::Line("recover", "folder removed: " + step->Path);
            break;
        case Step::Kind::Level:
            break; // after the aside folder, which lies inside them
        }
    }
}

// The kept files of a run that succeeded but was killed before it dropped them.
void DropKept(const Journal& journal, const CString& asideFolder)
{
    for (const Step& step : journal.Steps)
        if (step.Type == Step::Kind::Kept) {
            const CString aside = RunJournal::AsidePath(asideFolder, step.Number);
            if (FileOps::Exists(aside) && Undo::DropFile(aside))
                RunLog::Line("recover", "replaced file dropped: " + aside);
        }
}

// The journal, the buckets and the aside folder itself, when nothing else is in them.
bool RemoveAsideFolder(const Journal& journal, const CString& asideFolder)
{
    DeleteFileA(PathHelpers::WithTrailingBackslash(asideFolder) + RunJournal::JOURNAL_NAME);
    std::set<int> buckets;
    for (const Step& step : journal.Steps)
        if (step.Type == Step::Kind::Kept)
            buckets.insert(step.Number / RunJournal::FILES_PER_BUCKET);
    for (int bucket : buckets) {
        CString folder;
        folder.Format("%s\\%d", static_cast<const char*>(asideFolder), bucket);
        if (FileOps::IsFolder(folder))
            Undo::RemoveFolderIfEmpty(folder);
    }
    return Undo::RemoveFolderIfEmpty(asideFolder);
}

void RemoveLevels(const Journal& journal)
{
    for (auto step = journal.Steps.rbegin(); step != journal.Steps.rend(); ++step)
        if (step->Type == Step::Kind::Level && FileOps::IsFolder(step->Path)
            && Undo::RemoveFolderIfEmpty(step->Path))
            RunLog::Line("recover", "folder removed: " + step->Path);
}

void Recover(const CString& root, const CString& asideFolder)
{
    if (!IsFromEndedRun(asideFolder)) {
        RunLog::Line("recover", "left, its run still goes on: " + asideFolder);
        return;
    }
    CString text;
    Journal journal;
    if (!ReadJournal(PathHelpers::WithTrailingBackslash(asideFolder) + RunJournal::JOURNAL_NAME, text)) {
        // Killed before its journal was begun: it kept nothing yet.
        if (Undo::RemoveFolderIfEmpty(asideFolder))
            RunLog::Line("recover", "empty folder of an ended run removed: " + asideFolder);
        else
            RunLog::Line("recover", "left, no journal tells what it holds: " + asideFolder);
        return;
    }
    if (!Parse(text, root, journal)) {
        RunLog::Line("recover", "left, its journal names places outside " + root + ": " + asideFolder);
        return;
    }
    RunLog::Line("recover", CString(journal.Done ? "finishing the run that ended after its success: "
                                                 : "undoing the run that ended before its end: ")
                                + asideFolder);
    if (journal.Done)
        DropKept(journal, asideFolder);
    else
        FinishUndo(journal, asideFolder);
    if (!RemoveAsideFolder(journal, asideFolder)) {
        RunLog::Line("recover", "left, it still holds files: " + asideFolder);
        return;
    }
    RunLog::Line("recover", "folder removed: " + asideFolder);
    if (!journal.Done)
        RemoveLevels(journal);
}

} // namespace

bool Parse(const CString& text, const CString& root, Journal& journal)
{
    journal = Journal();
    const CString base = PathHelpers::WithoutTrailingBackslash(root);
    int start = 0;
    for (;;) {
        const int end = text.Find("\r\n", start);
        if (end < 0)
            return true; // what follows the last line end was never finished
        if (!ParseLine(text.Mid(start, end - start), base, journal))
            return false;
        start = end + 2;
    }
}

bool IsFromEndedRun(const CString& asideFolder)
{
    const CString trimmed = PathHelpers::WithoutTrailingBackslash(asideFolder);
    const int nameStart = PathHelpers::LastComponentStart(trimmed);
    const CString name = nameStart < 0 ? trimmed : trimmed.Mid(nameStart);
    CString rest;
    if (name.GetLength() <= static_cast<int>(sizeof(RunJournal::ASIDE_PREFIX) - 1)
        || name.Left(static_cast<int>(sizeof(RunJournal::ASIDE_PREFIX) - 1)).CompareNoCase(RunJournal::ASIDE_PREFIX)
            != 0)
        return false;
    rest = name.Mid(static_cast<int>(sizeof(RunJournal::ASIDE_PREFIX) - 1));
    const int dot = rest.Find('.');
    long pid = 0, attempt = 0;
    if (dot <= 0 || !ReadNumber(rest.Left(dot), 0x7FFFFFFFL, pid) || !ReadNumber(rest.Mid(dot + 1), 1000, attempt))
        return false;
    if (static_cast<DWORD>(pid) == GetCurrentProcessId())
        return true;
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        // No such process; one we may not open is running.
        return GetLastError() == ERROR_INVALID_PARAMETER;
    const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

int RecoverUnder(const CString& root)
{
    if (root.IsEmpty() || !FileOps::IsFolder(root))
        return 0;
    const CString base = PathHelpers::WithTrailingBackslash(root);
    std::vector<CString> found;
    WIN32_FIND_DATAA data;
    ScopedFind search(base + RunJournal::ASIDE_PREFIX + "*", data);
    for (bool more = search.IsOpen(); more; more = search.Next(data))
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            found.push_back(base + data.cFileName);
    for (const CString& folder : found)
        Recover(PathHelpers::WithoutTrailingBackslash(root), folder);
    return static_cast<int>(found.size());
}

} // namespace KilledRuns
