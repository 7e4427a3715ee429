// The document's loading operations: each is one call into the loading
// module, and on a refusal the one box for it. Apart from TarvelDoc.cpp
// because the loading reaches modules that name the document.
#include "install/TarvelDoc.h"

#include "install/PackageLoading.h"

BOOL CTarvelDoc::Reported(BOOL loaded)
{
    if (loaded)
        return TRUE;
    ReportFailure();
    return FALSE;
}

BOOL CTarvelDoc::LoadScript()
{
    return Reported(PackageLoading::Load(*this));
}

int CTarvelDoc::ReadScript()
{
    return Reported(PackageLoading::ReadScript(*this));
}

int CTarvelDoc::AddScriptEntry(const char* key, const char* value)
{
    return PackageLoading::AddScriptEntry(*this, key, value);
}

int CTarvelDoc::BeginSection(const char* name)
{
    return PackageLoading::BeginSection(*this, name);
}

void CTarvelDoc::LoadDialogSettings()
{
    PackageLoading::LoadDialogSettings(*this);
}

int CTarvelDoc::LoadSharedComponentSettings()
{
    return Reported(PackageLoading::LoadSharedComponentSettings(*this));
}
