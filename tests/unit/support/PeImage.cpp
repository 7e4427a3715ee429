#include "PeImage.h"

#include "TestCommon.h"
#include "Text.h"

#include <cstring>

namespace {

DWORD Align4(DWORD n)
{
    return (n + 3) & ~3u;
}

// One node of a version resource: wLength, wValueLength, wType, a
// zero-ended UTF-16 key, then the value and the children, each on a 4-byte
// boundary. The root is at depth 0, StringFileInfo and VarFileInfo at 1, a
// language block (`block`) and the Translation at 2, the strings at 3.
bool ParseVersionNode(const char* node, DWORD size, int depth, const std::string& block, VersionResource& out)
{
    WORD header[3];
    if (size < sizeof header)
        return false;
    std::memcpy(header, node, sizeof header);
    const DWORD length = header[0];
    if (length < sizeof header || length > size)
        return false;
    const wchar_t* key = reinterpret_cast<const wchar_t*>(node + sizeof header);
    const DWORD keyChars = static_cast<DWORD>(wcsnlen(key, (length - sizeof header) / 2));
    const std::string name = dlg::Utf8FromWide(std::wstring(key, keyChars));
    const DWORD valueAt = Align4(sizeof header + (keyChars + 1) * 2);
    // Text values count characters, binary ones bytes.
    const DWORD valueBytes = header[2] == 1 ? header[1] * 2u : header[1];
    if (valueAt + valueBytes > length)
        return false;
    const char* value = node + valueAt;

    if (depth == 0) {
        if (name != "VS_VERSION_INFO" || valueBytes != sizeof out.Fixed)
            return false;
        std::memcpy(&out.Fixed, value, sizeof out.Fixed);
    } else if (depth == 2 && name == "Translation") {
        out.Translations.assign(reinterpret_cast<const WORD*>(value),
                                reinterpret_cast<const WORD*>(value) + valueBytes / 2);
    } else if (depth == 3) {
        const wchar_t* text = reinterpret_cast<const wchar_t*>(value);
        out.Strings[block + "/" + name] = dlg::Utf8FromWide(std::wstring(text, wcsnlen(text, valueBytes / 2)));
    }
    for (DWORD at = Align4(valueAt + valueBytes); at + 6 <= length;) {
        WORD childLength;
        std::memcpy(&childLength, node + at, sizeof childLength);
        if (!childLength || !ParseVersionNode(node + at, length - at, depth + 1, depth == 2 ? name : block, out))
            return false;
        at = Align4(at + childLength);
    }
    return true;
}

} // namespace

bool PeImage::Load(const std::string& path)
{
    m_ntOffset = 0;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    m_bytes = test_common::ReadAll(file);
    CloseHandle(file);

    IMAGE_DOS_HEADER dos;
    if (m_bytes.size() < sizeof dos)
        return false;
    std::memcpy(&dos, m_bytes.data(), sizeof dos);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0 ||
        m_bytes.size() < static_cast<size_t>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS32))
        return false;
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(m_bytes.data() + dos.e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        return false;
    m_ntOffset = dos.e_lfanew;
    return true;
}

DWORD PeImage::Offset(DWORD rva) const
{
    if (!m_ntOffset)
        return 0;
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(Nt());
    for (WORD i = 0; i < Nt()->FileHeader.NumberOfSections; ++i, ++section) {
        if (reinterpret_cast<const char*>(section + 1) > m_bytes.data() + m_bytes.size())
            return 0;
        const DWORD size = section->Misc.VirtualSize ? section->Misc.VirtualSize : section->SizeOfRawData;
        if (rva >= section->VirtualAddress && rva < section->VirtualAddress + size)
            return rva - section->VirtualAddress + section->PointerToRawData;
    }
    return 0;
}

const char* PeImage::At(DWORD rva, DWORD size) const
{
    const DWORD offset = Offset(rva);
    return offset && offset + size <= m_bytes.size() ? m_bytes.data() + offset : nullptr;
}

std::vector<std::string> PeImage::ImportedLibraries() const
{
    std::vector<std::string> names;
    if (!m_ntOffset)
        return names;
    const auto name = [&](DWORD rva) {
        const char* text = At(rva, 1);
        return text ? std::string(text, strnlen(text, m_bytes.data() + m_bytes.size() - text)) : "<unreadable>";
    };
    const IMAGE_DATA_DIRECTORY* dirs = Nt()->OptionalHeader.DataDirectory;
    const DWORD imports = dirs[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(At(imports, sizeof(IMAGE_IMPORT_DESCRIPTOR)));
         imports && d && d->Name; ++d)
        names.push_back(name(d->Name));

    // A delay-loaded library is found by the same search when first called.
    const DWORD delayed = dirs[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress;
    for (auto* d = reinterpret_cast<const DWORD*>(At(delayed, 32)); delayed && d && d[1]; d += 8) {
        const bool relative = d[0] & 1; // else a virtual address, from the old linkers
        names.push_back(name(relative ? d[1] : d[1] - Nt()->OptionalHeader.ImageBase));
    }
    return names;
}

std::string PeImage::Resource(WORD type, WORD id) const
{
    if (!m_ntOffset)
        return {};
    const DWORD root = Nt()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress;
    // Each level (type, id, language) is a directory whose entries point to
    // the next level, relative to the root; `wanted` 0 takes the first entry.
    DWORD level = 0;
    for (WORD wanted : {type, id, WORD(0)}) {
        auto* dir = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY*>(At(root + level, sizeof(IMAGE_RESOURCE_DIRECTORY)));
        if (!root || !dir)
            return {};
        const int count = dir->NumberOfNamedEntries + dir->NumberOfIdEntries;
        auto* entry = reinterpret_cast<const IMAGE_RESOURCE_DIRECTORY_ENTRY*>(
            At(root + level + sizeof *dir, count * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY)));
        const IMAGE_RESOURCE_DIRECTORY_ENTRY* found = nullptr;
        for (int i = 0; entry && i < count && !found; ++i)
            if (!wanted ? i == 0 : !entry[i].NameIsString && entry[i].Id == wanted)
                found = &entry[i];
        if (!found)
            return {};
        level = found->OffsetToData & 0x7FFFFFFF;
    }
    auto* data = reinterpret_cast<const IMAGE_RESOURCE_DATA_ENTRY*>(At(root + level, sizeof(IMAGE_RESOURCE_DATA_ENTRY)));
    const char* bytes = data ? At(data->OffsetToData, data->Size) : nullptr;
    return bytes ? std::string(bytes, data->Size) : std::string();
}

bool VersionResource::Parse(const std::string& bytes)
{
    return ParseVersionNode(bytes.data(), static_cast<DWORD>(bytes.size()), 0, "", *this);
}

std::string VersionResource::Value(const std::string& block, const std::string& key) const
{
    const auto found = Strings.find(block + "/" + key);
    return found == Strings.end() ? std::string() : found->second;
}
