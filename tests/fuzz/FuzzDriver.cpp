// The small deterministic driver that CI runs for each fuzz target: every
// input of the target's committed corpus, then a fixed number of mutations of
// them, the same for the same seed. Not linked into a libFuzzer build.
#include "FuzzDriver.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <dirent.h>

namespace {

std::vector<std::string> ReadCorpus(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.')
                names.push_back(entry->d_name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> corpus;
    for (const std::string& name : names) {
        std::string bytes;
        if (FILE* file = std::fopen((folder + "/" + name).c_str(), "rb")) {
            char buffer[65536];
            size_t n;
            while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
                bytes.append(buffer, n);
            std::fclose(file);
        }
        corpus.push_back(bytes);
    }
    return corpus;
}

struct Random
{
    std::uint64_t state;
    std::uint32_t Next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::uint32_t>(state >> 33);
    }
    size_t Below(size_t n) { return n ? Next() % n : 0; }
};

std::string Mutate(std::string bytes, const std::vector<std::string>& corpus, Random& random)
{
    const int steps = 1 + static_cast<int>(random.Below(4));
    for (int s = 0; s < steps; ++s) {
        const size_t at = random.Below(bytes.size() + 1);
        switch (random.Below(7)) {
        case 0: // flip a byte
            if (!bytes.empty())
                bytes[random.Below(bytes.size())] ^= static_cast<char>(1 + random.Below(255));
            break;
        case 1: { // insert a token
            const char* token = FUZZ_TARGET.Tokens[random.Below(FUZZ_TARGET.TokenCount)];
            bytes.insert(at, token, std::strlen(token) ? std::strlen(token) : 1);
            break;
        }
        case 2: // a long run, to cross the reader's bounds
            bytes.insert(at, std::string(random.Below(700), random.Below(2) ? 'a' : '\x95'));
            break;
        case 3: // cut a range
            bytes.erase(at, random.Below(64));
            break;
        case 4: { // repeat a range, to fill the reader's tables
            const size_t length = std::min(bytes.size() - std::min(at, bytes.size()), random.Below(64));
            const std::string range = bytes.substr(at, length);
            for (size_t r = random.Below(250); r > 0 && bytes.size() < FUZZ_TARGET.MaxLength; --r)
                bytes.insert(at, range);
            break;
        }
        case 5: { // splice another input in
            const std::string& other = corpus[random.Below(corpus.size())];
            const size_t from = random.Below(other.size() + 1);
            bytes.insert(at, other.substr(from, random.Below(256)));
            break;
        }
        default: // a zero byte
            bytes.insert(at, 1, '\0');
            break;
        }
    }
    return bytes;
}

// The input repeated, a range of it at a time, until it reaches the reader's
// limit: the mutations alone seldom get there.
std::string Grow(std::string bytes, Random& random)
{
    if (bytes.empty())
        bytes = FUZZ_TARGET.Tokens[0];
    const size_t at = random.Below(bytes.size());
    const std::string range = bytes.substr(at, 1 + random.Below(bytes.size() - at));
    std::string grown = bytes.substr(0, at);
    grown.reserve(FUZZ_TARGET.MaxLength);
    while (grown.size() + range.size() + bytes.size() - at <= FUZZ_TARGET.MaxLength)
        grown += range;
    return grown + bytes.substr(at);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER [RUNS [SEED]]\n", argv[0]);
        return 2;
    }
    const long runs = argc > 2 ? std::atol(argv[2]) : 2000;
    Random random{argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 11};
    std::vector<std::string> corpus = ReadCorpus(argv[1]);
    if (corpus.empty()) {
        std::fprintf(stderr, "no inputs in %s\n", argv[1]);
        return 2;
    }
    for (const std::string& input : corpus)
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    for (long run = 0; run < runs; ++run) {
        std::string input = Mutate(corpus[random.Below(corpus.size())], corpus, random);
        if (run % 500 == 499)
            input = Grow(input, random);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    }
    std::printf("%s fuzz: %zu corpus inputs and %ld mutated inputs, every invariant held\n", FUZZ_TARGET.Name, corpus.size(), runs);
    return 0;
}

