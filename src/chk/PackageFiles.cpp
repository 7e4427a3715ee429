#include "chk/PackageFiles.h"

#include "base/ScopedHandles.h"

#include <windows.h>

namespace Chk {

bool ReadFileBytes(const char* path, std::string& bytes, std::size_t limit)
{
    ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.IsValid())
        return false;
    char buffer[65536];
    const DWORD chunk = static_cast<DWORD>(limit < sizeof(buffer) ? limit : sizeof(buffer));
    DWORD read = 0;
    while (bytes.size() < limit) {
        if (!ReadFile(file.Get(), buffer, chunk, &read, nullptr))
            return false;
        if (read == 0)
            break;
        bytes.append(buffer, read);
    }
    return true;
}

} // namespace Chk
