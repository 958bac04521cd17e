#pragma once

// What every fuzz target shares: a check that stops the run, and a sink for
// the messages the core would show the user.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "services/message_sink.h"

// A broken property must stop the fuzzer with the input saved, in every build type.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

#define FUZZ_FAIL(what)                                                \
    do {                                                               \
        std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, what); \
        std::abort();                                                  \
    } while (0)

namespace brivel::fuzz {

// A few-byte file can declare a PNG of 89 million pixels; decoding it would
// make each run take seconds. Decoding is linear in the pixels, so small
// pictures reach the same code.
constexpr std::uint64_t kMaxPngPixels = std::uint64_t{1} << 18;

class CountingSink : public MessageSink {
public:
    void ShowMessage(const char*, const char*, MessageIcon) override { ++count; }
    int count = 0;
};

// The folder of the process's own where targets that go through files keep
// them, removed at exit: in memory when the system has a tmpfs, as rewriting
// a file on disk each run costs milliseconds. Never destroyed, so that it
// outlives the removal.
inline const std::string& ScratchDir() {
    static const std::string& dir = *[] {
        auto* name = new std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        *name += "/brivel-fuzz.XXXXXX";
        FUZZ_CHECK(mkdtemp(name->data()) != nullptr);
        return name;
    }();
    static const bool removed = std::atexit([] {
                                    std::error_code ignored;
                                    std::filesystem::remove_all(dir, ignored);
                                }) == 0;
    FUZZ_CHECK(removed);
    return dir;
}

}  // namespace brivel::fuzz
