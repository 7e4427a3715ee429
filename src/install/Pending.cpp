// Preparation and execution are not built yet: a run stops after loading.
#include "app/TarvelDoc.h"

int CTarvelDoc::PrepareInstall(BOOL)
{
    return -1;
}

BOOL CTarvelDoc::RunInstall()
{
    return FALSE;
}
