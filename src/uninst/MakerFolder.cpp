#include "uninst/MakerFolder.h"

#include "base/PathHelpers.h"
#include "script/ScriptKeys.h"

#include <algorithm>

namespace {

// The levels of "APPPATH_BASE" below the program-files folder, outermost
// first; none when the package lies elsewhere (the customer chose another
// folder) or the value names no plain levels.
std::vector<CString> BaseLevels(const UninstallPlan& plan, const CString& programFiles)
{
    std::vector<CString> levels;
    const CString value = plan.Value(SEC_INSTALL, KEY_APPPATH_BASE);
    const CString base = PathHelpers::WithoutTrailingBackslash(value.Left(1) == "\\" ? value.Mid(1) : value);
    const CString top = PathHelpers::WithoutTrailingBackslash(programFiles);
    const CString folder = PathHelpers::WithoutTrailingBackslash(plan.InstallFolder);
    if (top.IsEmpty() || !PathHelpers::StaysInside(base) || (top + "\\" + base).CompareNoCase(folder) != 0)
        return levels;
    // Spelt as the folders are, not as the script writes them.
    for (int cut = top.GetLength();;) {
        cut = PathHelpers::FindNthBackslash(folder, cut + 1, 1);
        levels.push_back(cut < 0 ? folder : folder.Left(cut));
        if (cut < 0)
            return levels;
    }
}

bool Listed(const std::vector<CString>& folders, const CString& folder)
{
    for (const CString& known : folders)
        if (known.CompareNoCase(folder) == 0)
            return true;
    return false;
}

} // namespace

std::vector<CString> FoldersRemovedWhenEmpty(const UninstallPlan& plan, const CString& programFiles)
{
    std::vector<CString> folders;
    std::vector<CString> candidates = plan.CreatedLevels;
    for (const CString& level : BaseLevels(plan, programFiles))
        candidates.push_back(level);
    const CString top = PathHelpers::WithoutTrailingBackslash(programFiles);
    for (const CString& candidate : candidates) {
        const CString folder = PathHelpers::WithoutTrailingBackslash(candidate);
        // The program-files folder holds every other program: a log that
        // names it, or a level above, does not make it the package's.
        if (!top.IsEmpty() && PathHelpers::IsLevelOf(folder, top))
            continue;
        if (!Listed(folders, folder))
            folders.push_back(folder);
    }
    // All are levels of the installation folder: the longer, the deeper.
    std::stable_sort(folders.begin(), folders.end(),
                     [](const CString& a, const CString& b) { return a.GetLength() > b.GetLength(); });
    return folders;
}
