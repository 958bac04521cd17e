#include <cstdint>
#include <cstdio>
#include <vector>

#include "commands.h"
#include "quiz/lzw.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace brivel::tool {
namespace {

using Codec = CodecResult (*)(const std::uint8_t*, std::size_t, MessageSink&);

bool ReadAll(std::FILE* stream, std::vector<std::uint8_t>& bytes) {
    std::uint8_t chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, stream)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return std::ferror(stream) == 0;
}

// Standard input to standard output; a failure leaves standard output empty.
int RunCodec(const char* command, Codec codec) {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    std::vector<std::uint8_t> input;
    if (!ReadAll(stdin, input)) {
        std::fprintf(stderr, "brivel %s: cannot read standard input\n", command);
        return 1;
    }
    StderrSink sink;
    const CodecResult result = codec(input.data(), input.size(), sink);
    if (result.status != DecodeStatus::Ok) {
        std::fprintf(stderr, "brivel %s: status %d: %s\n", command,
                     static_cast<int>(result.status), DecodeStatusName(result.status));
        return 1;
    }
    if (std::fwrite(result.bytes.data(), 1, result.bytes.size(), stdout) != result.bytes.size() ||
        std::fflush(stdout) != 0) {
        std::fprintf(stderr, "brivel %s: cannot write standard output\n", command);
        return 1;
    }
    return 0;
}

}  // namespace

int RunLzwEncode() {
    return RunCodec("lzw encode", &LzwEncode);
}

// The cast picks the overload with the player's limits.
int RunLzwDecode() {
    return RunCodec("lzw decode", static_cast<Codec>(&LzwDecode));
}

}  // namespace brivel::tool
