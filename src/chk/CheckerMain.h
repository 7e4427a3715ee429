// The checker's command line: what tarvelchk.exe runs, in the library so that
// the tests run the same entry.
#pragma once

namespace Chk {

// tarvelchk's work for its arguments (argv[0] its name); the exit code.
int CheckerMain(int argc, char** argv);

} // namespace Chk
