// What the uninstaller's log (/LOG) says about the run as a whole: how it was
// started, the plan it read and how it ended. The removal writes its own
// lines, one per item.
#pragma once

#include "base/CommandLine.h"

struct UninstallPlan;

namespace UninstReport {

// The start of the uninstaller's default log name in the temporary folder.
constexpr char LOG_STEM[] = "Tarvel Uninstall Log";

// Opens the log the switches ask for and writes the start lines; sets the
// boxes suppressed when the switches say so. A log that cannot be written is
// told once in a box, unless the run is silent: then FALSE, and the run ends
// without changing anything. 'path' gets the log's full name, also on failure.
bool Start(const CommandLine::Switches& switches, bool silent, const char* commandLine, CString& path);

// The installation the plan describes: its folder and how many entries the
// install's record holds.
void Plan(const UninstallPlan& plan);

// The last line: the exit code and what it means. Closes the log.
void End(int exitCode);

} // namespace UninstReport
