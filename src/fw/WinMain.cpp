// The process entry: everything else is the application object's.
#include "afxwin.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int)
{
    return AfxWinMain(hInstance, lpCmdLine);
}
