// The one application object of the installer program.
#include "app/TarvelApp.h"

CTarvelApp theApp;
