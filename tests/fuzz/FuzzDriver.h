// What every fuzz target gives the small deterministic driver (FuzzDriver.cpp)
// that CI runs: its name, the bytes that mean something to its reader, and the
// size its inputs grow to. With clang's libFuzzer the driver is left out and
// the target's LLVMFuzzerTestOneInput is the whole program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

struct FuzzTarget
{
    const char* Name;
    const char* const* Tokens; // inserted alone or in pairs by the mutations
    size_t TokenCount;
    size_t MaxLength; // the reader's limit: some inputs are grown to it
};

extern const FuzzTarget FUZZ_TARGET;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size);

// Reports the broken invariant and keeps the input as "crash-input" in the
// current folder, to be run again alone.
[[noreturn]] inline void FuzzFail(const char* what, const std::string& input)
{
    std::fprintf(stderr, "invariant broken: %s (input of %zu bytes, kept as crash-input)\n", what, input.size());
    if (FILE* file = std::fopen("crash-input", "wb")) {
        std::fwrite(input.data(), 1, input.size(), file);
        std::fclose(file);
    }
    std::abort();
}

// For a target whose input is in a std::string named 'input'.
#define FUZZ_EXPECT(condition)                                                                               \
    do {                                                                                                     \
        if (!(condition))                                                                                    \
            FuzzFail(#condition, input);                                                                      \
    } while (0)
