// ReadResFile on any bytes; Find over what it read; and what WriteResFile
// makes of the entries reads back as the same entries.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz_support.h"
#include "maker/res_writer.h"
#include "quiz/res_file.h"

using namespace brivel;

namespace {

bool SameEntries(const std::vector<ResEntry>& a, const std::vector<ResEntry>& b) {
    // A numbered type's name is empty, a named type's number not looked at.
    const auto fields = [](const ResEntry& e) {
        return std::tie(e.type.name, e.id, e.language, e.data);
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](const auto& x, const auto& y) {
        return fields(x) == fields(y) && (!x.type.name.empty() || x.type.number == y.type.number);
    });
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// What Find must match: numbered types by number, named ones by ASCII name
// without regard to case.
bool Matches(const ResourceType& entry, const ResourceType& asked) {
    if (entry.name.empty() || asked.name.empty()) {
        return entry.name.empty() && asked.name.empty() && entry.number == asked.number;
    }
    return std::equal(entry.name.begin(), entry.name.end(), asked.name.begin(), asked.name.end(),
                      [](char x, char y) { return Upper(x) == Upper(y); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ResReadResult read = ReadResFile(data, size);
    FUZZ_CHECK(ResStatusName(read.status) != nullptr);
    if (read.status == ResStatus::Ok) {
        FUZZ_CHECK(read.errorOffset == 0);
    } else {
        FUZZ_CHECK(read.errorOffset < size || size == 0);
    }
    for (const ResEntry& entry : read.entries) {
        FUZZ_CHECK(entry.data.size() < size);
        for (const char c : entry.type.name) {
            FUZZ_CHECK(c > 0);  // ASCII only, never a NUL
        }
    }

    ResFileResources resources(read.entries);
    for (std::size_t i = 0; i < read.entries.size(); ++i) {
        const ResEntry& entry = read.entries[i];
        // Asked in lower case, it must still find the first match in file order.
        ResourceType asked = entry.type;
        for (char& c : asked.name) {
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
        std::size_t first = i;
        for (std::size_t j = 0; j < i; ++j) {
            if (read.entries[j].id == entry.id && Matches(read.entries[j].type, asked)) {
                first = j;
                break;
            }
        }
        const std::optional<std::vector<std::uint8_t>> found = resources.Find(asked, entry.id);
        FUZZ_CHECK(found && *found == read.entries[first].data);
        // One more id of the same type that no entry holds is not found.
        bool taken = false;
        const std::uint16_t absent = static_cast<std::uint16_t>(entry.id + 1);
        for (const ResEntry& other : read.entries) {
            taken = taken || (other.id == absent && Matches(other.type, entry.type));
        }
        if (!taken) {
            FUZZ_CHECK(!resources.Find(entry.type, absent));
        }
    }

    const std::string written = WriteResFile(read.entries);
    FUZZ_CHECK(!written.empty());
    const ResReadResult again =
        ReadResFile(reinterpret_cast<const std::uint8_t*>(written.data()), written.size());
    FUZZ_CHECK(again.status == ResStatus::Ok);
    FUZZ_CHECK(SameEntries(again.entries, read.entries));
    return 0;
}
