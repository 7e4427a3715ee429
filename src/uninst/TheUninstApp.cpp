// The one application object of the uninstaller program.
#include "uninst/UninstApp.h"

CUninstApp theUninstApp;
