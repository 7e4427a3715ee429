#include "base/SingleInstance.h"

#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"

namespace {

const char INSTANCE_MUTEX_NAME[] = "h_tarvel_installer_PrevInstance";

} // namespace

namespace SingleInstance {

HANDLE Acquire()
{
    if (ScopedHandle(Sys().OpenMutexA(MUTEX_ALL_ACCESS, FALSE, INSTANCE_MUTEX_NAME)).IsValid())
        return nullptr;
    // Two starts at the same moment can both pass the check above; the one
    // that did not create the mutex is the second instance.
    ScopedHandle mine(CreateMutexA(nullptr, FALSE, INSTANCE_MUTEX_NAME));
    if (mine.IsValid() && GetLastError() == ERROR_ALREADY_EXISTS)
        return nullptr;
    return mine.Release();
}

HANDLE Inheritable()
{
    return Sys().OpenMutexA(SYNCHRONIZE, TRUE, INSTANCE_MUTEX_NAME);
}

void Release(HANDLE& mutex)
{
    // Nobody owns the mutex (it is created unowned): it lives as long as a
    // handle to it is open.
    ScopedHandle(mutex).Close();
    mutex = nullptr;
}

} // namespace SingleInstance
