#include "app/SingleInstance.h"

#include "base/SystemCalls.h"

namespace {

const char INSTANCE_MUTEX_NAME[] = "h_tarvel_installer_PrevInstance";

} // namespace

namespace SingleInstance {

HANDLE Acquire()
{
    HANDLE other = Sys().OpenMutexA(MUTEX_ALL_ACCESS, FALSE, INSTANCE_MUTEX_NAME);
    if (other) {
        CloseHandle(other);
        return nullptr;
    }
    // Two starts at the same moment can both pass the check above; the one
    // that did not create the mutex is the second instance.
    HANDLE mine = CreateMutexA(nullptr, FALSE, INSTANCE_MUTEX_NAME);
    if (mine && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mine);
        return nullptr;
    }
    return mine;
}

void Release(HANDLE& mutex)
{
    if (!mutex)
        return;
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    mutex = nullptr;
}

} // namespace SingleInstance
