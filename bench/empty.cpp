// Wine's start-up cost: a GUI program that does nothing. The benchmark times
// it like every contestant and takes its time off theirs.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
