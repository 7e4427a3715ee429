// The shared components' key paths, apart from the registry calls so that
// the loading of the script's keys builds and is fuzzed natively.
#include "SharedRegistry.h"

#include "base/PathHelpers.h"

namespace SharedRegistry {

CString ProductKeyPath(const CString& company, const CString& product, const CString& language)
{
    return "Software\\" + company + "\\" + product + "\\" + language;
}

CString CounterName(const CString& libraryPath)
{
    int start = LastComponentStart(libraryPath);
    CString name = start < 0 ? libraryPath : libraryPath.Mid(start);
    name.MakeLower();
    return name;
}

CString CounterParentPath(const CString& company)
{
    return "Software\\" + company + "\\COUNTER";
}

CString CounterKeyPath(const CString& company, const CString& libraryPath)
{
    return CounterParentPath(company) + "\\" + CounterName(libraryPath);
}

} // namespace SharedRegistry
