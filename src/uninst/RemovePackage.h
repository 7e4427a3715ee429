// Carries out an uninstall plan: the package's files and folders, its links,
// its registration and its share of the shared libraries. Everything but the
// running uninstaller and the folders that hold it; those go once it has
// ended (SelfRemoval).
#pragma once

#include "install/UninstallEntry.h"
#include "uninst/UninstallPlan.h"

#include <functional>
#include <vector>

struct RemovalOutcome
{
    // What stays, for the end message: files that could not be deleted and
    // the folders that keep what the user put there.
    std::vector<CString> Left;
    // Files in use, and the folders that hold them, removed at the next restart.
    std::vector<CString> AtRestart;
    bool IsComplete() const { return Left.empty() && AtRestart.empty(); }
};

// Told after each step: steps done so far and all steps.
using RemovalProgress = std::function<void(int done, int total)>;

// 'uninstaller' is skipped: it is still running.
RemovalOutcome RemovePackage(const UninstallPlan& plan, const CString& uninstaller, const RemovalProgress& progress);

// The package's entry in the list of installed software: each value of the
// list, then the key when nothing else is left in it. An entry that names
// another installation folder is another install's and stays.
void RemoveUninstallEntry(const UninstallPlan& plan, const std::vector<UninstallEntry::Value>& values);
