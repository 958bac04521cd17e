#pragma once

// What every fuzz target shares: a check that stops the run, and a sink for
// the messages the core would show the user.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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

class CountingSink : public MessageSink {
public:
    void ShowMessage(const char*, const char*, MessageIcon) override { ++count; }
    int count = 0;
};

// Where targets that go through files keep them: in memory when the system
// has a tmpfs there, as rewriting a file on disk each run costs milliseconds.
inline std::string ScratchBase() {
    return access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
}

}  // namespace brivel::fuzz
