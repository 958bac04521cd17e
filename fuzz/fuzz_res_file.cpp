// ReadResFile on any bytes; Find over what it read; and what WriteResFile
// makes of the entries reads back as the same entries.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "maker/res_writer.h"
#include "quiz/res_file.h"

using namespace brivel;

namespace {

bool SameType(const ResourceType& a, const ResourceType& b) {
    return a.name == b.name && (!a.name.empty() || a.number == b.number);
}

bool SameEntries(const std::vector<ResEntry>& a, const std::vector<ResEntry>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!SameType(a[i].type, b[i].type) || a[i].id != b[i].id ||
            a[i].language != b[i].language || a[i].data != b[i].data) {
            return false;
        }
    }
    return true;
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
    if (entry.name.size() != asked.name.size()) {
        return false;
    }
    for (std::size_t i = 0; i < entry.name.size(); ++i) {
        if (Upper(entry.name[i]) != Upper(asked.name[i])) {
            return false;
        }
    }
    return true;
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
