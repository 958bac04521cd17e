#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace brivel::testing {

// The public corpora stay outside the checkout: $BRIVEL_TESTDATA, else the
// folder the build was configured with (-DBRIVEL_TESTDATA=...).
inline std::filesystem::path CorpusFolder(const std::string& name) {
    const char* root = std::getenv("BRIVEL_TESTDATA");
    return (std::filesystem::path(root && *root ? root : BRIVEL_TESTDATA) / name)
        .lexically_normal();
}

}  // namespace brivel::testing

// A fresh clone has no corpora and its first test run should not fail for
// that: the test skips, naming the folder. CI (the variable CI set, as CI
// services and .ci/run do) must run it, so there it fails.
#define BRIVEL_NEED_CORPUS(name)                                                      \
    if (const auto folder_ = ::brivel::testing::CorpusFolder(name);                   \
        !std::filesystem::is_directory(folder_)) {                                    \
        const char* ci_ = std::getenv("CI");                                          \
        const std::string why_ = "no public corpus at " + folder_.string() +          \
                                 ": configure with -DBRIVEL_TESTDATA=FOLDER (or set " \
                                 "BRIVEL_TESTDATA) to where the corpora are";         \
        if (ci_ && *ci_ && std::string(ci_) != "false")                               \
            FAIL() << why_ << " (required: CI is set)";                               \
        GTEST_SKIP() << why_;                                                         \
    }
