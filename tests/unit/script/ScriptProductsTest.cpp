// Which products a script names: the count from "PRODUCT_NUM" and the numbers
// that have a "PRODUCT_NAME<i>" key in [INSTALL].
#include <gtest/gtest.h>

#include "script/ScriptProducts.h"

#include <climits>
#include <vector>

namespace {

std::vector<int> IndexesOf(std::vector<ScriptEntry> entries, int count)
{
    return ScriptProducts::Indexes(entries.data(), static_cast<int>(entries.size()), count);
}

TEST(ScriptProductsTest, CountIsADecimalNumberWithTwoForNone)
{
    const struct {
        const char* text;
        int count;
    } cases[] = {
        {"", 2}, {"0", 0}, {"3", 3}, {" +3rd", 3}, {"abc", 0}, {"-2", 0},
        {"2147483647", INT_MAX}, {"99999999999", INT_MAX},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.count, ScriptProducts::Count(c.text)) << c.text;
}

TEST(ScriptProductsTest, OnlyNamesTheLookupFormsUpToTheCountAreVisitedInOrder)
{
    const std::vector<ScriptEntry> entries = {
        {"INSTALL", "PRODUCT_NAME3", "c"},
        {"INSTALL", "PRODUCT_NAME1", "a"},
        {"INSTALL", "PRODUCT_NAME1", "again"},  // visited once
        {"INSTALL", "PRODUCT_NAME01", "x"},     // never formed by the lookup
        {"INSTALL", "PRODUCT_NAME+2", "x"},
        {"INSTALL", "PRODUCT_NAME", "x"},
        {"UNINSTALL", "PRODUCT_NAME2", "x"},    // another section
        {"INSTALL", "PRODUCT_NAME2147483647", "top"},
        {"INSTALL", "PRODUCT_NAME2147483648", "x"}, // beyond int
    };
    EXPECT_EQ((std::vector<int>{1, 3, INT_MAX}), IndexesOf(entries, INT_MAX));
    EXPECT_EQ((std::vector<int>{1}), IndexesOf(entries, 2));
    EXPECT_EQ((std::vector<int>{}), IndexesOf(entries, 0));
}

} // namespace
