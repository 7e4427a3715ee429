// A model of how Windows resolves an ANSI path of the installer's code page,
// for the fuzz targets' invariant "nothing a guard accepts leads outside its
// root". It is deliberately suspicious: wherever the system's reading is in
// doubt, it takes the reading that leads furthest out.
#pragma once

#include <string>
#include <vector>

namespace PathModel {

// The levels of a drive-rooted path after the system's normalisation, lower-
// cased, the drive first ("c:"); false when the path is not drive-rooted
// (UNC, "\\?\", "\\.\", relative to a drive's current folder), or when it
// names a device or an unknown place:
//   - "\" and "/" both separate, runs of them count as one;
//   - a lead byte takes the next byte with it; a lead byte before a byte that
//     is no trail byte is read both ways (Resolve needs both to resolve,
//     StrictlyBelow and LevelOf to hold for both);
//   - "." stays, ".." goes up, and a level of dots and blanks only is taken
//     for ".." (the file system strips trailing dots and blanks);
//   - a stream ("a:b", "a::$DATA") names its file "a";
//   - a device name in any level (CON, NUL, COM1.txt...) is no place inside.
bool Resolve(const std::string& path, std::vector<std::string>& levels);

// TRUE when 'path' resolves to a place strictly below 'root' (both resolved).
bool StrictlyBelow(const std::string& path, const std::string& root);

// TRUE when 'level' resolves to 'folder' itself or one of its ancestors, at
// least one level below its drive's root.
bool LevelOf(const std::string& level, const std::string& folder);

} // namespace PathModel
