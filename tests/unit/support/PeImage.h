// A built program read as a file, as Windows' loader reads it: the libraries
// it imports and its resources. Enough of the PE format for the tests that
// check what the programs carry, without loading them.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

class PeImage
{
public:
    // Reads the file; false when it cannot be read or is no 32-bit PE image.
    // Until then the image has no imports and no resources.
    bool Load(const std::string& path);

    // The libraries the loader resolves by name: the import table and the
    // delay-load table, as spelled in the file.
    std::vector<std::string> ImportedLibraries() const;
    // The bytes of a resource of type and id with numeric names, in its first
    // language; empty when there is none.
    std::string Resource(WORD type, WORD id) const;

private:
    std::string m_bytes;
    // Where the NT headers start; 0 until a PE image is loaded.
    size_t m_ntOffset = 0;

    const IMAGE_NT_HEADERS32* Nt() const
    {
        return reinterpret_cast<const IMAGE_NT_HEADERS32*>(m_bytes.data() + m_ntOffset);
    }

    // The file offset of an address relative to the image, or 0 when no
    // section holds it.
    DWORD Offset(DWORD rva) const;
    const char* At(DWORD rva, DWORD size) const;
};

// A version resource, read by hand: the version library is one of those the
// programs must not import, and the tests don't either.
struct VersionResource
{
    VS_FIXEDFILEINFO Fixed = {};
    // "041104B0/CompanyName" -> value, in UTF-8.
    std::map<std::string, std::string> Strings;
    // The Translation value: language and code page pairs.
    std::vector<WORD> Translations;

    bool Parse(const std::string& bytes);
    // The string of that key in a language block; empty when there is none.
    std::string Value(const std::string& block, const std::string& key) const;
};
