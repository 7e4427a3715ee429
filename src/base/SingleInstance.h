// The one mutex that keeps Tarvel's programs from running side by side: an
// install and an uninstall of the same package must never overlap, so the
// installer and the uninstaller both take it.
#pragma once

#include <windows.h>

namespace SingleInstance {

// The mutex, owned by the caller until it ends; null when another Tarvel
// program holds it (also when that one appeared between the check and the
// creation).
HANDLE Acquire();

// Another handle to the mutex while this process holds it, one that a child
// process started with inherited handles gets too: the mutex then lives
// until that child closes it, with no moment between the two in which
// another Tarvel program could start. Null when there is no mutex.
HANDLE Inheritable();

// Closes the mutex and empties the handle; a null handle is ignored.
void Release(HANDLE& mutex);

} // namespace SingleInstance
