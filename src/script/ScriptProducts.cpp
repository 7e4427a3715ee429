#include "script/ScriptProducts.h"

#include "script/ScriptKeys.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace ScriptProducts {

namespace {

// Products registered when the script does not say how many there are.
constexpr int DEFAULT_PRODUCT_COUNT = 2;

} // namespace

int Count(const CString& text)
{
    if (text.IsEmpty())
        return DEFAULT_PRODUCT_COUNT;
    long long value = std::strtoll(text, nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    return value < 0 ? 0 : static_cast<int>(value);
}

std::vector<int> Indexes(const ScriptEntry* entries, int entryCount, int count)
{
    static const CString prefix(CString(KEY_PRODUCT_NAME_FMT).Left(CString(KEY_PRODUCT_NAME_FMT).Find('%')));
    std::vector<int> indexes;
    if (entryCount > SCRIPT_MAX_ENTRIES)
        entryCount = SCRIPT_MAX_ENTRIES;
    for (int i = 0; i < entryCount; ++i) {
        const ScriptEntry& entry = entries[i];
        if (entry.Section != SEC_INSTALL || entry.Key.Left(prefix.GetLength()) != prefix)
            continue;
        char* end = nullptr;
        const CString digits = entry.Key.Mid(prefix.GetLength());
        long long index = std::strtoll(digits, &end, 10);
        if (index <= 0 || index > count || *end != '\0')
            continue;
        // Only the spelling that the lookup forms: "PRODUCT_NAME01" and
        // "PRODUCT_NAME+1" are never read.
        CString formed;
        formed.Format(KEY_PRODUCT_NAME_FMT, static_cast<int>(index));
        if (formed == entry.Key)
            indexes.push_back(static_cast<int>(index));
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

} // namespace ScriptProducts
