// What the checker needs to know of the package's binary files, read from
// their bytes: a banner bitmap's size and form, an icon file's images, a
// shared library's machine and exports, and whether a program is signed. Plain C++ over a byte string.
#pragma once

#include <string>
#include <vector>

namespace Chk {

struct BitmapInfo
{
    bool IsBitmap = false;  // "BM" with an info header Windows reads
    int Width = 0;
    int Height = 0;         // positive, whichever the row order
    int BitsPerPixel = 0;
    int Compression = 0;    // 0 none, 1/2 RLE, 3 bit fields, 4 JPEG, 5 PNG
};
BitmapInfo ReadBitmapInfo(const std::string& bytes);

struct IconImage
{
    int Width = 0;
    int Height = 0;
    bool Png = false;       // a PNG-compressed image, which Windows XP and older cannot show
};
// The images of an .ico file; empty when the bytes are no icon file.
std::vector<IconImage> ReadIconImages(const std::string& bytes);

struct LibraryInfo
{
    bool IsPe = false;
    unsigned Machine = 0;   // 0x14C for 32-bit x86
    bool IsDll = false;
    std::vector<std::string> Exports;
};
LibraryInfo ReadLibraryInfo(const std::string& bytes);

enum class Signature { NotAProgram, Unsigned, Signed };

// From a program's bytes: signed when its security directory, where the
// signature lives, is not empty. The chain is not looked at.
Signature ReadSignature(const std::string& bytes);

} // namespace Chk
