// Reading a package's file whole, or its head, for the checks that look at
// bytes (the script, the banner, the icon, the libraries, the programs).
#pragma once

#include <cstddef>
#include <string>

namespace Chk {

// Reads at most 'limit' bytes of the file (a little more: whole buffers) into
// 'bytes'. False when the file cannot be opened or a read fails; what was
// read before a failing read stays in 'bytes'.
bool ReadFileBytes(const char* path, std::string& bytes, std::size_t limit = 64u << 20);

} // namespace Chk
