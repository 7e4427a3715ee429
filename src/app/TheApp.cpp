// The one application object of the installer program. (The tests make their own.)
#include "app/TarvelApp.h"

CTarvelApp theApp;
