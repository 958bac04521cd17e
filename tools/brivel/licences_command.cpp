// licences: the notices of Brivel and of the code and fonts of others that the
// tool, the players it copies into quizzes and Brivel Studio carry, written at
// build time from packaging/notices.toml (scripts/make_notices.py).

#include <cstdio>

#include "commands.h"

namespace brivel {
extern const char kNotices[];
}  // namespace brivel

namespace brivel::tool {

int RunLicences() {
    return std::fputs(kNotices, stdout) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
}

}  // namespace brivel::tool
