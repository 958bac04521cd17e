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
    const std::filesystem::path folder =
        std::filesystem::path(root != nullptr && *root != '\0' ? root : BRIVEL_TESTDATA) / name;
    return folder.lexically_normal();
}

// A fresh clone has no corpora, and its first test run should not fail for
// that; CI (the variable CI set, as CI services and .ci/run do) must run them.
inline bool CorporaRequired() {
    const char* ci = std::getenv("CI");
    return ci != nullptr && *ci != '\0' && std::string(ci) != "false";
}

}  // namespace brivel::testing

// Skips the test when the corpus folder NAME is missing, naming it; under CI
// fails instead.
#define BRIVEL_NEED_CORPUS(name)                                                          \
    do {                                                                                  \
        const std::filesystem::path corpus_ = ::brivel::testing::CorpusFolder(name);      \
        if (!std::filesystem::is_directory(corpus_)) {                                    \
            const std::string why_ = "no public corpus at " + corpus_.string() +          \
                                     ": configure with -DBRIVEL_TESTDATA=FOLDER (or set " \
                                     "BRIVEL_TESTDATA) to where the corpora are";         \
            if (::brivel::testing::CorporaRequired()) {                                   \
                FAIL() << why_ << " (required: CI is set)";                               \
            }                                                                             \
            GTEST_SKIP() << why_;                                                         \
        }                                                                                 \
    } while (false)
