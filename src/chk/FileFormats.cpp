#include "chk/FileFormats.h"

#include <cstdint>

namespace Chk {

namespace {

// Little-endian reads that answer 0 beyond the end instead of reading past it.
std::uint32_t U16(const std::string& b, size_t at)
{
    if (at + 2 > b.size() || at + 2 < at)
        return 0;
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

std::uint32_t U32(const std::string& b, size_t at)
{
    if (at + 4 > b.size() || at + 4 < at)
        return 0;
    return U16(b, at) | (U16(b, at + 2) << 16);
}

} // namespace

BitmapInfo ReadBitmapInfo(const std::string& bytes)
{
    BitmapInfo info;
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M')
        return info;
    const std::uint32_t headerSize = U32(bytes, 14);
    if (headerSize == 12) {
        // The OS/2 form: 16-bit sizes, no compression.
        info.Width = static_cast<int>(U16(bytes, 18));
        info.Height = static_cast<int>(U16(bytes, 20));
        info.BitsPerPixel = static_cast<int>(U16(bytes, 24));
    } else if (headerSize >= 40 && bytes.size() >= 14 + 40) {
        info.Width = static_cast<std::int32_t>(U32(bytes, 18));
        const std::int32_t height = static_cast<std::int32_t>(U32(bytes, 22));
        info.Height = height >= 0 ? height : height == INT32_MIN ? INT32_MAX : -height;
        info.BitsPerPixel = static_cast<int>(U16(bytes, 28));
        info.Compression = static_cast<int>(U32(bytes, 30));
    } else {
        return info;
    }
    info.IsBitmap = info.Width > 0 && info.Height > 0;
    return info;
}

std::vector<IconImage> ReadIconImages(const std::string& bytes)
{
    std::vector<IconImage> images;
    if (bytes.size() < 6 || U16(bytes, 0) != 0 || U16(bytes, 2) != 1)
        return images;
    const std::uint32_t count = U16(bytes, 4);
    if (count == 0 || 6 + 16 * static_cast<size_t>(count) > bytes.size())
        return images;
    for (std::uint32_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * static_cast<size_t>(i);
        IconImage image;
        image.Width = static_cast<unsigned char>(bytes[entry]) ? static_cast<unsigned char>(bytes[entry]) : 256;
        image.Height =
            static_cast<unsigned char>(bytes[entry + 1]) ? static_cast<unsigned char>(bytes[entry + 1]) : 256;
        const std::uint32_t size = U32(bytes, entry + 8);
        const std::uint32_t offset = U32(bytes, entry + 12);
        if (offset >= bytes.size() || size > bytes.size() - offset)
            return {};
        image.Png = bytes.compare(offset, 4, "\x89PNG") == 0;
        images.push_back(image);
    }
    return images;
}

LibraryInfo ReadLibraryInfo(const std::string& bytes)
{
    LibraryInfo info;
    if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z')
        return info;
    const size_t pe = U32(bytes, 60);
    if (pe > bytes.size() || bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
        return info;
    info.IsPe = true;
    const size_t fileHeader = pe + 4;
    info.Machine = U16(bytes, fileHeader);
    const std::uint32_t sections = U16(bytes, fileHeader + 2);
    const std::uint32_t optionalSize = U16(bytes, fileHeader + 16);
    info.IsDll = (U16(bytes, fileHeader + 18) & 0x2000) != 0;
    const size_t optional = fileHeader + 20;
    const std::uint32_t magic = U16(bytes, optional);
    // The export directory: first of the data directories, whose place
    // differs between the 32-bit and the 64-bit optional header.
    const size_t directories = optional + (magic == 0x20B ? 112 : 96);
    if (magic != 0x10B && magic != 0x20B)
        return info;
    if (U32(bytes, directories - 4) < 1)
        return info;
    const std::uint32_t exportRva = U32(bytes, directories);
    if (!exportRva)
        return info;

    // File offset of a virtual address, through the section table.
    const size_t sectionTable = optional + optionalSize;
    auto offsetOf = [&](std::uint32_t rva, size_t& offset) {
        for (std::uint32_t s = 0; s < sections && s < 96; ++s) {
            const size_t at = sectionTable + 40 * static_cast<size_t>(s);
            const std::uint32_t virtualAddress = U32(bytes, at + 12);
            const std::uint32_t virtualSize = U32(bytes, at + 8);
            const std::uint32_t rawSize = U32(bytes, at + 16);
            const std::uint32_t rawOffset = U32(bytes, at + 20);
            const std::uint32_t span = virtualSize > rawSize ? virtualSize : rawSize;
            if (rva >= virtualAddress && rva - virtualAddress < span) {
                offset = static_cast<size_t>(rawOffset) + (rva - virtualAddress);
                return offset < bytes.size();
            }
        }
        return false;
    };

    size_t exports = 0;
    if (!offsetOf(exportRva, exports))
        return info;
    const std::uint32_t names = U32(bytes, exports + 24);
    size_t nameTable = 0;
    if (!offsetOf(U32(bytes, exports + 32), nameTable))
        return info;
    for (std::uint32_t i = 0; i < names && i < 65536; ++i) {
        size_t name = 0;
        if (!offsetOf(U32(bytes, nameTable + 4 * static_cast<size_t>(i)), name))
            break;
        const size_t end = bytes.find('\0', name);
        if (end == std::string::npos)
            break;
        info.Exports.push_back(bytes.substr(name, end - name));
    }
    return info;
}

// The security directory's place among the data directories.
constexpr std::uint32_t SECURITY_DIRECTORY = 4;

Signature ReadSignature(const std::string& bytes)
{
    if (bytes.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z')
        return Signature::NotAProgram;
    const size_t pe = U32(bytes, 60);
    if (pe > bytes.size() || bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
        return Signature::NotAProgram;
    const size_t optional = pe + 4 + 20;
    const std::uint32_t magic = U16(bytes, optional);
    if (magic != 0x10B && magic != 0x20B)
        return Signature::NotAProgram;
    const size_t directories = optional + (magic == 0x20B ? 112 : 96);
    if (U32(bytes, directories - 4) <= SECURITY_DIRECTORY)
        return Signature::Unsigned;
    const size_t security = directories + 8 * SECURITY_DIRECTORY;
    return U32(bytes, security) != 0 && U32(bytes, security + 4) != 0 ? Signature::Signed : Signature::Unsigned;
}

} // namespace Chk
