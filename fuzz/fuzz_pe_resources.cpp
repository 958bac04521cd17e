// The resource section of a Windows executable: ReadPeResourceTree and
// ReadPeResources on any bytes, and AddPeResources merging a quiz's
// resources into it, whose result must read back with every resource kept,
// replaced or added as promised.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "maker/pe_resources.h"
#include "quiz/res_file.h"

using namespace brivel;

namespace {

bool SameKey(const PeResourceKey& a, const PeResourceKey& b) {
    return a.named == b.named && (a.named ? a.name == b.name : a.id == b.id);
}

bool SameKeys(const PeResource& a, const PeResource& b) {
    return SameKey(a.type, b.type) && SameKey(a.name, b.name) && SameKey(a.language, b.language);
}

// The leaf an added entry must become: type names upper case, code page 0.
PeResource AsLeaf(const ResEntry& entry) {
    PeResource leaf;
    if (entry.type.name.empty()) {
        leaf.type.id = entry.type.number;
    } else {
        leaf.type.named = true;
        for (const char c : entry.type.name) {
            leaf.type.name += static_cast<char16_t>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
    }
    leaf.name.id = entry.id;
    leaf.language.id = entry.language;
    leaf.data = entry.data;
    return leaf;
}

// Whether entries appear among the leaves, in the same order: ReadPeResources
// keeps a subset of the tree, as read, and skips the rest.
bool IsOrderedSubset(const std::vector<ResEntry>& entries, const std::vector<PeResource>& leaves) {
    const auto matches = [](const PeResource& leaf, const ResEntry& entry) {
        const bool sameType =
            entry.type.name.empty()
                ? !leaf.type.named && leaf.type.id == entry.type.number
                : leaf.type.named && leaf.type.name == std::u16string(entry.type.name.begin(),
                                                                      entry.type.name.end());
        return sameType && !leaf.name.named && leaf.name.id == entry.id && !leaf.language.named &&
               leaf.language.id == entry.language && leaf.data == entry.data;
    };
    std::size_t at = 0;
    for (const ResEntry& entry : entries) {
        bool found = false;
        while (at < leaves.size() && !found) {
            found = matches(leaves[at++], entry);
        }
        if (!found) {
            return false;
        }
    }
    return true;
}

// What the tree must hold after adding `added` to `before`.
void CheckMerged(const std::vector<PeResource>& before, const std::vector<ResEntry>& added,
                 const std::vector<PeResource>& after) {
    // Of added entries with the same keys the last one given wins.
    std::vector<PeResource> addedLeaves;
    for (const ResEntry& entry : added) {
        PeResource leaf = AsLeaf(entry);
        addedLeaves.erase(std::remove_if(addedLeaves.begin(), addedLeaves.end(),
                                         [&](const PeResource& a) { return SameKeys(a, leaf); }),
                          addedLeaves.end());
        addedLeaves.push_back(std::move(leaf));
    }
    for (const PeResource& leaf : addedLeaves) {
        const auto found = std::find_if(after.begin(), after.end(), [&](const PeResource& other) {
            return SameKeys(other, leaf);
        });
        FUZZ_CHECK(found != after.end());
        FUZZ_CHECK(found->data == leaf.data && found->codePage == 0);
    }
    for (const PeResource& leaf : before) {
        const bool replaced = std::any_of(addedLeaves.begin(), addedLeaves.end(),
                                          [&](const PeResource& a) { return SameKeys(a, leaf); });
        if (replaced) {
            continue;
        }
        // Kept byte for byte; of two leaves with the same keys (a forged
        // directory), one is kept.
        const auto found = std::find_if(after.begin(), after.end(), [&](const PeResource& other) {
            return SameKeys(other, leaf);
        });
        FUZZ_CHECK(found != after.end());
        const bool kept =
            std::any_of(before.begin(), before.end(), [&](const PeResource& original) {
                return SameKeys(original, leaf) && original.data == found->data &&
                       original.codePage == found->codePage;
            });
        FUZZ_CHECK(kept);
    }
    // Nothing else, and each key once.
    for (std::size_t i = 0; i < after.size(); ++i) {
        const auto same = [&](const PeResource& other) { return SameKeys(other, after[i]); };
        FUZZ_CHECK(std::none_of(after.begin() + i + 1, after.end(), same));
        FUZZ_CHECK(std::any_of(addedLeaves.begin(), addedLeaves.end(), same) ||
                   std::any_of(before.begin(), before.end(), same));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PeTreeResult tree = ReadPeResourceTree(data, size);
    const PeReadResult read = ReadPeResources(data, size);
    FUZZ_CHECK(PeStatusName(tree.status) != nullptr);
    FUZZ_CHECK(read.status == tree.status);
    if (tree.status != PeStatus::Ok) {
        FUZZ_CHECK(tree.resources.empty() && read.entries.empty());
    }
    FUZZ_CHECK(read.status == PeStatus::Ok || read.entries.empty());
    FUZZ_CHECK(IsOrderedSubset(read.entries, tree.resources));

    // A quiz's texts and a picture, one of them replacing the first resource
    // the player could ask for.
    std::vector<ResEntry> added;
    added.push_back({ResourceType::Named("patch"), 104, 0,
                     std::vector<std::uint8_t>(data, data + std::min<std::size_t>(size, 16))});
    added.push_back({ResourceType::Numbered(kRcData), 401, 0x409, {'p', 'n', 'g'}});
    if (!read.entries.empty()) {
        ResEntry replacement = read.entries.front();
        replacement.data = {'n', 'e', 'w'};
        added.push_back(replacement);
    }
    const PeWriteResult written = AddPeResources(data, size, added);
    FUZZ_CHECK(PeStatusName(written.status) != nullptr);
    if (tree.status != PeStatus::Ok) {
        FUZZ_CHECK(written.status != PeStatus::Ok);
    }
    if (written.status != PeStatus::Ok) {
        FUZZ_CHECK(written.bytes.empty());
        return 0;
    }
    const auto* image = reinterpret_cast<const std::uint8_t*>(written.bytes.data());
    const PeTreeResult after = ReadPeResourceTree(image, written.bytes.size());
    FUZZ_CHECK(after.status == PeStatus::Ok);
    CheckMerged(tree.resources, added, after.resources);
    FUZZ_CHECK(ReadPeResources(image, written.bytes.size()).status == PeStatus::Ok);

    // Adding the same again changes no resource.
    const PeWriteResult again = AddPeResources(image, written.bytes.size(), added);
    FUZZ_CHECK(again.status == PeStatus::Ok);
    const PeTreeResult twice = ReadPeResourceTree(
        reinterpret_cast<const std::uint8_t*>(again.bytes.data()), again.bytes.size());
    FUZZ_CHECK(twice.status == PeStatus::Ok);
    CheckMerged(after.resources, added, twice.resources);
    FUZZ_CHECK(twice.resources.size() == after.resources.size());
    return 0;
}
