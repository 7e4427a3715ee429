// tarvelchk: reads a package's setup folder as tarvel.exe will, and reports
// what would go wrong, before the package ships.
//
//   tarvelchk [--werror] [--quiet] [--utf8] <setup folder>
//
// Exit code 0: no errors; 1: errors (or warnings with --werror); 2: the folder
// or its script could not be read.
#include "chk/CheckerMain.h"

int main(int argc, char** argv)
{
    return Chk::CheckerMain(argc, argv);
}
