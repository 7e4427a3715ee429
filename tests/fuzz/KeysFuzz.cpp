// Fuzz target for the loading of the script's keys as the installer and the
// uninstaller read them from "tarvel.eif": the [INSTALL] products
// (PRODUCT_NUM and each product's name, language and key file), the shared
// settings (REG_LIBFILE1..5, LIBFILEPATH_BASE, COMMON_PATH, COMPANY_NAME)
// and the folder and registry names made of them. Each input is checked for:
//   - PRODUCT_NUM read as a count from 0 to the top of int;
//   - the products exactly those numbers up to the count whose name key the
//     script spells as the lookup does, each once, in order;
//   - every key path below "Software\" and a counter named by one file name;
//   - the installation and shared folders below the program-files folder,
//     with nothing of the base lost;
//   - the names the uninstaller takes as one registry level holding no
//     separator.
#include "base/PathHelpers.h"
#include "script/ScriptKeys.h"
#include "script/ScriptPieces.h"
#include "script/ScriptProducts.h"
#include "script/ScriptTable.h"
#include "script/ScriptValueRules.h"
#include "shared/SharedRegistry.h"
#include "uninst/UninstallPlan.h"
#include "FuzzDriver.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

class WholeInput : public ScriptInput
{
public:
    explicit WholeInput(const std::string& bytes) : m_bytes(bytes) {}
    int Read(char* buffer, int size) override
    {
        const size_t chunk = std::min(static_cast<size_t>(size), m_bytes.size() - m_pos);
        std::memcpy(buffer, m_bytes.data() + m_pos, chunk);
        m_pos += chunk;
        return static_cast<int>(chunk);
    }

private:
    const std::string& m_bytes;
    size_t m_pos = 0;
};

bool StartsWith(const CString& text, const CString& prefix)
{
    return text.GetLength() >= prefix.GetLength() && text.Left(prefix.GetLength()) == prefix;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    static ScriptEntry entries[SCRIPT_MAX_ENTRIES];
    int count = 0;
    CScriptTable table(entries, count);
    table.Clear();
    WholeInput whole(input);
    FUZZ_EXPECT(table.Read(whole, [](const char*, const char*) {}));
    auto value = [&](const char* key) { return FindScriptValue(entries, count, SEC_INSTALL, key); };

    // The products.
    const CString number = value(KEY_PRODUCT_NUM);
    const int products = ScriptProducts::Count(number);
    FUZZ_EXPECT(products >= 0 && products <= INT_MAX);
    FUZZ_EXPECT(!number.IsEmpty() || products == 2);
    const std::vector<int> indexes = ScriptProducts::Indexes(entries, count, products);
    for (size_t k = 0; k < indexes.size(); ++k) {
        FUZZ_EXPECT(indexes[k] >= 1 && indexes[k] <= products);
        FUZZ_EXPECT(k == 0 || indexes[k] > indexes[k - 1]);
        CString nameKey;
        nameKey.Format(KEY_PRODUCT_NAME_FMT, indexes[k]);
        FUZZ_EXPECT(FindScriptEntry(entries, count, SEC_INSTALL, nameKey) >= 0);
    }
    // Every spelling the lookup forms is found, up to the count.
    for (int i = 0; i < count; ++i) {
        int index = 0;
        char tail = 0;
        if (entries[i].Section == SEC_INSTALL
            && std::sscanf(entries[i].Key, "PRODUCT_NAME%d%c", &index, &tail) == 1 && index >= 1 && index <= products) {
            CString formed;
            formed.Format(KEY_PRODUCT_NAME_FMT, index);
            if (formed == entries[i].Key)
                FUZZ_EXPECT(std::find(indexes.begin(), indexes.end(), index) != indexes.end());
        }
    }

    // The key paths, as the installer forms them and the uninstaller checks them.
    const CString company = value(KEY_COMPANY_NAME);
    for (int index : indexes) {
        CString nameKey, languageKey;
        nameKey.Format(KEY_PRODUCT_NAME_FMT, index);
        languageKey.Format(KEY_PRODUCT_LANGUAGE_FMT, index);
        const CString path = SharedRegistry::ProductKeyPath(company, value(nameKey), value(languageKey));
        FUZZ_EXPECT(StartsWith(path, "Software\\" + company + "\\"));
    }
    for (int n = 1; n <= 5; ++n) {
        CString libraryKey;
        libraryKey.Format(KEY_REG_LIBFILE_FMT, n);
        const CString library = value(libraryKey);
        const CString counter = SharedRegistry::CounterName(library);
        FUZZ_EXPECT(PathHelpers::LastComponentStart(counter) <= 0);
        FUZZ_EXPECT(SharedRegistry::CounterKeyPath(company, library)
                    == SharedRegistry::CounterParentPath(company) + "\\" + counter);
    }
    for (const char* key : {KEY_COMPANY_NAME, KEY_UNINSTALL_KEY, KEY_PRODUCT_NAME1, KEY_PRODUCT_LANGUAGE1}) {
        const CString name = key == KEY_UNINSTALL_KEY ? FindScriptValue(entries, count, SEC_UNINSTALL, key) : value(key);
        if (ScriptValueRules::IsOneKeyLevel(name))
            FUZZ_EXPECT(PathHelpers::LastBackslash(name) < 0 && name.Find('/') < 0);
    }

    // The folders below the program-files folder.
    for (const char* key : {KEY_APPPATH_BASE, KEY_LIBFILEPATH_BASE}) {
        const CString base = value(key);
        for (const char* programFiles : {"C:\\Program Files", "C:\\", "C:\\\x95\x5C"}) {
            const CString folder = PathHelpers::JoinBelow(programFiles, base);
            const CString top = PathHelpers::WithTrailingBackslash(programFiles);
            FUZZ_EXPECT(StartsWith(folder, top));
            const CString rest = folder.Mid(top.GetLength());
            FUZZ_EXPECT(rest == base || "\\" + rest == base);
        }
    }
    return 0;
}

namespace {

const char* const KEYS_TOKENS[] = {
    "[INSTALL]\r\n", "[UNINSTALL]\r\n", "PRODUCT_NUM=", "PRODUCT_NUM=2147483647\r\n", "PRODUCT_NUM=-1\r\n",
    "PRODUCT_NUM=99999999999999999999\r\n", "PRODUCT_NAME1=", "PRODUCT_NAME2147483647=x\r\n",
    "PRODUCT_NAME01=x\r\n", "PRODUCT_LANGUAGE1=", "PRODUCT_KEY_FILE1=", "REG_LIBFILE1=", "REG_LIBFILE5=",
    "LIBFILEPATH_BASE=", "APPPATH_BASE=", "COMMON_PATH=", "COMPANY_NAME=", "UNINSTALL_KEY=", "NONE", "\\", "..",
    "\x95\x5C", "\x81", "\r\n", "=", " ", "+", "-",
};

} // namespace

// The script reader keeps at most 200 entries of at most 511-byte values; a
// script longer than 64 KiB adds nothing more it can read.
const FuzzTarget FUZZ_TARGET = {"keys", KEYS_TOKENS, sizeof KEYS_TOKENS / sizeof KEYS_TOKENS[0], 1u << 16};
