// The folders the clean-up copy removes when empty, after the uninstaller
// has ended: the levels the install created to make the installation folder,
// and, for a package installed where its script puts it, every level its
// "APPPATH_BASE" names below the program-files folder. Two packages of one
// maker ("Maker\A", "Maker\B") share "Maker": the first install made it and
// only its log names it, so whichever package goes last must still take it.
#pragma once

#include "uninst/UninstallPlan.h"

#include <vector>

// Innermost first, each once; never 'programFiles' or a folder above it.
std::vector<CString> FoldersRemovedWhenEmpty(const UninstallPlan& plan, const CString& programFiles);
