// The shared libraries register themselves once they are in place.
#include "install/SharedComponents.h"

#include "base/SystemCalls.h"
#include "shared/SelfRegistration.h"

namespace SharedComponents {

BOOL CallRegistrationEntry(const CString& path, BOOL registerIt)
{
    // The install's own loads go through the seam table; the undo's do not,
    // so that a swapped loader never keeps the undo from the library.
    return SelfRegistration::Call(path, registerIt, Sys().LoadLibraryExA);
}

BOOL RegisterLibraries(RunContext& run)
{
    for (int i = 0; i < run.RegistrationList.GetSize(); ++i) {
        const CString& path = run.RegistrationList[i];
        // Only a library this run copied is unregistered by the undo, also
        // after a half-done registration; an installed one it kept stays
        // registered for the products that use it.
        for (const Change& change : run.Record().Changes())
            if (change.Where == Change::Area::Shared && change.Type == Change::Kind::FileWritten
                && change.Path.CompareNoCase(path) == 0) {
                run.Record().LibraryRegistered(path);
                break;
            }
        if (!CallRegistrationEntry(path, TRUE))
            return run.Fail(ERROR_CODE_GENERAL, "register library", path);
    }
    return TRUE;
}

} // namespace SharedComponents
