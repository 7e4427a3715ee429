#include "base/DoubleByte.h"

#include <windows.h>

namespace PathHelpers {

int CharLength(const char* text)
{
    if (IsLeadByte(text[0]) && text[1] != '\0')
        return 2;
    return 1;
}

bool IsLeadByte(char c)
{
    return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE;
}

} // namespace PathHelpers
