// Stands in for a package's own uninstaller, which is not part of this system:
// the installer only checks that it exists, copies it and registers it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxA(nullptr, "This stands in for the package's uninstaller.", "uninst", MB_OK | MB_ICONINFORMATION);
    return 0;
}
