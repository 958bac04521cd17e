#include "maker/pe_resources.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace brivel {

namespace {

// The few constants of the PE/COFF format that we need.
constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kMagicPe32 = 0x010B;
constexpr std::uint16_t kMagicPe32Plus = 0x020B;
constexpr std::uint16_t kFileExecutableImage = 0x0002;
constexpr std::uint32_t kScnInitializedData = 0x00000040;
constexpr std::uint32_t kScnMemRead = 0x40000000;
constexpr std::size_t kLfanewAt = 0x3C;
constexpr std::size_t kFileHeaderBytes = 20;  // after "PE\0\0"
constexpr std::size_t kSectionHeaderBytes = 40;
constexpr char kOldSectionName[] = ".oldrsrc";  // 8 bytes, no terminator in the header
constexpr std::uint32_t kMaxDirectories = 16;
constexpr std::uint32_t kMaxFileAlignment = 0x10000;  // 64 KiB, the format's maximum
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kCertificateDirectory = 4;
// Optional header fields, from its start; PE32 and PE32+ differ from
// NumberOfRvaAndSizes on.
constexpr std::size_t kSizeOfInitializedDataAt = 8;
constexpr std::size_t kSectionAlignmentAt = 32;
constexpr std::size_t kFileAlignmentAt = 36;
constexpr std::size_t kSizeOfImageAt = 56;
constexpr std::size_t kSizeOfHeadersAt = 60;
constexpr std::size_t kCheckSumAt = 64;
constexpr std::size_t kDirectoryCountAt32 = 92;
constexpr std::size_t kDirectoryCountAt64 = 108;

// The resource directory: tables of 16 bytes, each followed by its 8-byte
// entries; the high bit of an entry's first DWORD marks a string name, of its
// second a subtable (otherwise a 16-byte data entry).
constexpr std::uint32_t kHighBit = 0x80000000;
constexpr std::size_t kTableBytes = 16;
constexpr std::size_t kEntryBytes = 8;
constexpr std::size_t kDataEntryBytes = 16;
constexpr int kLevels = 3;  // type, name, language
// At most this many resources, so at most three times as many entries.
constexpr std::size_t kMaxResources = 65536;
constexpr std::size_t kMaxEntries = 3 * kMaxResources;
constexpr std::uint64_t kMaxOffset = 0x7FFFFFFF;
constexpr std::uint64_t kMaxDword = 0xFFFFFFFF;
constexpr std::size_t kInImage = static_cast<std::size_t>(-1);

std::uint16_t Word(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

std::uint32_t Dword(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(Word(at)) | static_cast<std::uint32_t>(Word(at + 2)) << 16;
}

void SetWord(std::string& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>(value >> 8);
}

void SetDword(std::string& out, std::size_t at, std::uint32_t value) {
    SetWord(out, at, static_cast<std::uint16_t>(value & 0xFFFF));
    SetWord(out, at + 2, static_cast<std::uint16_t>(value >> 16));
}

std::uint32_t DwordAt(const std::string& out, std::size_t at) {
    return Dword(reinterpret_cast<const std::uint8_t*>(out.data()) + at);
}

bool PowerOfTwo(std::uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t virtualSize = 0;
    std::uint32_t rawPointer = 0;
    std::uint32_t rawSize = 0;
    std::uint32_t loaded = 0;  // the raw bytes that land in memory
};

// Where the headers are and what they say, every offset checked to lie in the file.
struct Layout {
    std::size_t fileHeader = 0;
    std::size_t optional = 0;
    std::size_t directories = 0;  // the data directories (RVA, size pairs)
    std::uint32_t directoryCount = 0;
    std::size_t sectionTable = 0;
    std::uint32_t sectionAlignment = 0;
    std::uint32_t fileAlignment = 0;
    std::uint32_t sizeOfHeaders = 0;
    std::vector<Section> sections;
    std::uint64_t memoryEnd = 0;  // where the last section ends in memory
};

PeStatus ReadHeaders(const std::uint8_t* bytes, std::size_t size, Layout& layout) {
    if (size < kLfanewAt + 4 || bytes[0] != 'M' || bytes[1] != 'Z') {
        return PeStatus::NotPe;
    }
    const std::uint32_t pe = Dword(bytes + kLfanewAt);
    if (pe > size - 4 || std::memcmp(bytes + pe, "PE\0\0", 4) != 0) {
        return PeStatus::NotPe;
    }
    layout.fileHeader = pe + std::size_t{4};
    if (size - layout.fileHeader < kFileHeaderBytes) {
        return PeStatus::Truncated;
    }
    const std::uint8_t* header = bytes + layout.fileHeader;
    const std::uint16_t machine = Word(header);
    const std::uint16_t sectionCount = Word(header + 2);
    const std::uint16_t optionalSize = Word(header + 16);
    if (machine != kMachineI386 && machine != kMachineAmd64) {
        return PeStatus::UnsupportedMachine;
    }
    if ((Word(header + 18) & kFileExecutableImage) == 0) {
        return PeStatus::NotExecutable;
    }
    layout.optional = layout.fileHeader + kFileHeaderBytes;
    if (size - layout.optional < optionalSize) {
        return PeStatus::Truncated;
    }
    const std::uint8_t* optional = bytes + layout.optional;
    const std::size_t countAt =
        machine == kMachineAmd64 ? kDirectoryCountAt64 : kDirectoryCountAt32;
    if (optionalSize < countAt + 4 ||
        Word(optional) != (machine == kMachineAmd64 ? kMagicPe32Plus : kMagicPe32)) {
        return PeStatus::BadOptionalHeader;
    }
    layout.directoryCount = std::min(Dword(optional + countAt), kMaxDirectories);
    layout.directories = layout.optional + countAt + 4;
    layout.sectionAlignment = Dword(optional + kSectionAlignmentAt);
    layout.fileAlignment = Dword(optional + kFileAlignmentAt);
    layout.sizeOfHeaders = Dword(optional + kSizeOfHeadersAt);
    if (optionalSize < countAt + 4 + 8 * std::size_t{layout.directoryCount} ||
        !PowerOfTwo(layout.sectionAlignment) || !PowerOfTwo(layout.fileAlignment) ||
        layout.fileAlignment > kMaxFileAlignment ||
        layout.sectionAlignment < layout.fileAlignment) {
        return PeStatus::BadOptionalHeader;
    }
    layout.sectionTable = layout.optional + optionalSize;
    if ((size - layout.sectionTable) / kSectionHeaderBytes < sectionCount) {
        return PeStatus::Truncated;
    }
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::uint8_t* entry = bytes + layout.sectionTable + i * kSectionHeaderBytes;
        Section section;
        section.virtualSize = Dword(entry + 8);
        section.virtualAddress = Dword(entry + 12);
        section.rawSize = Dword(entry + 16);
        section.rawPointer = Dword(entry + 20);
        if (section.rawSize != 0 && std::uint64_t{section.rawPointer} + section.rawSize > size) {
            return PeStatus::Truncated;
        }
        // The loader maps VirtualSize bytes, or SizeOfRawData when it is 0.
        const std::uint32_t extent =
            section.virtualSize != 0 ? section.virtualSize : section.rawSize;
        if (section.virtualAddress < layout.memoryEnd ||
            std::uint64_t{section.virtualAddress} + extent > kMaxDword) {
            return PeStatus::BadSectionTable;
        }
        layout.memoryEnd = std::uint64_t{section.virtualAddress} + extent;
        section.loaded = std::min(section.rawSize, extent);
        layout.sections.push_back(section);
    }
    return PeStatus::Ok;
}

// The file offset of `length` bytes at `rva`, when they lie in a section's raw data.
bool MapRva(const Layout& layout, std::uint32_t rva, std::uint32_t length, std::size_t& offset) {
    for (const Section& section : layout.sections) {
        if (section.loaded != 0 && rva >= section.virtualAddress &&
            rva - section.virtualAddress <= section.loaded &&
            length <= section.loaded - (rva - section.virtualAddress)) {
            offset = section.rawPointer + std::size_t{rva - section.virtualAddress};
            return true;
        }
    }
    return false;
}

// One resource: its three keys, and its data either in the image or added.
struct Leaf {
    PeResourceKey keys[kLevels];
    std::uint32_t codePage = 0;
    std::size_t offset = 0;
    std::uint32_t size = 0;
    std::size_t added = kInImage;  // which addition, or kInImage
};

// Walks the resource directory, every offset checked against its section.
class TreeReader {
public:
    TreeReader(std::size_t imageSize, const Layout& layout, const std::uint8_t* directory,
               std::size_t directorySize)
        : imageSize_(imageSize),
          layout_(layout),
          directory_(directory),
          directorySize_(directorySize) {}

    PeStatus Table(std::uint32_t offset, int level, Leaf& path) {
        if (directorySize_ < kTableBytes || offset > directorySize_ - kTableBytes ||
            !visited_.insert(offset).second) {
            return PeStatus::BadResourceDirectory;
        }
        const std::uint8_t* table = directory_ + offset;
        const std::size_t count = std::size_t{Word(table + 12)} + Word(table + 14);
        entries_ += count;
        if (entries_ > kMaxEntries ||
            (directorySize_ - offset - kTableBytes) / kEntryBytes < count) {
            return PeStatus::BadResourceDirectory;
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* entry = table + kTableBytes + i * kEntryBytes;
            const std::uint32_t target = Dword(entry + 4);
            const bool subtable = (target & kHighBit) != 0;
            if (!ReadKey(Dword(entry), path.keys[level]) || subtable != (level + 1 < kLevels)) {
                return PeStatus::BadResourceDirectory;
            }
            PeStatus status = PeStatus::Ok;
            if (subtable) {
                status = Table(target & ~kHighBit, level + 1, path);
            } else {
                status = DataEntry(target, path);
            }
            if (status != PeStatus::Ok) {
                return status;
            }
        }
        return PeStatus::Ok;
    }

    std::vector<Leaf> leaves;

private:
    bool ReadKey(std::uint32_t field, PeResourceKey& key) {
        key = PeResourceKey();
        if ((field & kHighBit) == 0) {
            key.id = field;
            return true;
        }
        const std::uint32_t at = field & ~kHighBit;
        if (directorySize_ < 2 || at > directorySize_ - 2) {
            return false;
        }
        const std::size_t length = Word(directory_ + at);
        // Shared strings could otherwise multiply the directory.
        nameBytes_ += 2 * length;
        if ((directorySize_ - at - 2) / 2 < length || nameBytes_ > directorySize_) {
            return false;
        }
        key.named = true;
        for (std::size_t i = 0; i < length; ++i) {
            key.name += static_cast<char16_t>(Word(directory_ + at + 2 + 2 * i));
        }
        return true;
    }

    PeStatus DataEntry(std::uint32_t at, Leaf& path) {
        if (directorySize_ < kDataEntryBytes || at > directorySize_ - kDataEntryBytes) {
            return PeStatus::BadResourceDirectory;
        }
        const std::uint8_t* entry = directory_ + at;
        path.size = Dword(entry + 4);
        path.codePage = Dword(entry + 8);
        // Shared or overlapping data could otherwise multiply the image.
        dataBytes_ += path.size;
        if (!MapRva(layout_, Dword(entry), path.size, path.offset) || dataBytes_ > imageSize_) {
            return PeStatus::BadResourceDirectory;
        }
        leaves.push_back(path);
        return PeStatus::Ok;
    }

    std::size_t imageSize_;
    const Layout& layout_;
    const std::uint8_t* directory_;
    std::size_t directorySize_;
    std::set<std::uint32_t> visited_;
    std::size_t entries_ = 0;
    std::uint64_t nameBytes_ = 0;
    std::uint64_t dataBytes_ = 0;
};

// Where the resource directory was found.
struct ResourcePlace {
    int section = -1;  // -1: the image has none
    bool atSectionStart = false;
};

PeStatus ReadTree(const std::uint8_t* bytes, std::size_t size, Layout& layout,
                  std::vector<Leaf>& leaves, ResourcePlace& place) {
    PeStatus status = ReadHeaders(bytes, size, layout);
    if (status != PeStatus::Ok || layout.directoryCount <= kResourceDirectory) {
        return status;
    }
    const std::uint32_t rva = Dword(bytes + layout.directories + 8 * kResourceDirectory);
    if (rva == 0) {
        return PeStatus::Ok;
    }
    for (std::size_t i = 0; i < layout.sections.size(); ++i) {
        const Section& section = layout.sections[i];
        if (rva >= section.virtualAddress && rva - section.virtualAddress < section.loaded) {
            const std::uint32_t skip = rva - section.virtualAddress;
            TreeReader reader(size, layout, bytes + section.rawPointer + skip,
                              section.loaded - skip);
            Leaf path;
            status = reader.Table(0, 0, path);
            leaves = std::move(reader.leaves);
            place.section = static_cast<int>(i);
            place.atSectionStart = skip == 0;
            return status;
        }
    }
    return PeStatus::BadResourceDirectory;
}

char16_t FoldCase(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

// The order of a directory table: named entries first, without regard to
// ASCII case (ordinal as a tie-break), then ids ascending.
int CompareKeys(const PeResourceKey& a, const PeResourceKey& b) {
    if (a.named != b.named) {
        return a.named ? -1 : 1;
    }
    if (!a.named) {
        return a.id < b.id ? -1 : a.id > b.id ? 1 : 0;
    }
    const std::size_t common = std::min(a.name.size(), b.name.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t x = FoldCase(a.name[i]);
        const char16_t y = FoldCase(b.name[i]);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.name.size() != b.name.size()) {
        return a.name.size() < b.name.size() ? -1 : 1;
    }
    const int ordinal = a.name.compare(b.name);
    return ordinal < 0 ? -1 : ordinal > 0 ? 1 : 0;
}

int CompareLeaves(const Leaf& a, const Leaf& b) {
    for (int level = 0; level < kLevels; ++level) {
        if (const int order = CompareKeys(a.keys[level], b.keys[level])) {
            return order;
        }
    }
    return 0;
}

// The PE checksum of the bytes on their way to out: the file as 16-bit
// little-endian words (an odd last byte padded with zero) summed with
// end-around carry, plus the file's length. The CheckSum field goes through
// as zero, as it counts.
class ChecksumSink final : public ByteSink {
public:
    explicit ChecksumSink(ByteSink& out) : out_(out) {}

    using ByteSink::Write;
    bool Write(const void* data, std::size_t size) override {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        std::size_t i = 0;
        if (position_ % 2 == 1 && size > 0) {
            sum_ += std::uint64_t{bytes[0]} << 8;
            i = 1;
        }
        // Below 2^47 for any file under 4 GiB: folded once, at the end.
        for (; i + 1 < size; i += 2) {
            sum_ += static_cast<std::uint32_t>(bytes[i] | bytes[i + 1] << 8);
        }
        if (i < size) {
            sum_ += bytes[i];
        }
        position_ += size;
        return out_.Write(data, size);
    }

    // The checksum is written over its field on out itself, once all is through.
    bool Overwrite(std::uint64_t, const void*, std::size_t) override { return false; }

    std::uint64_t position() const { return position_; }

    std::uint32_t Checksum() const {
        std::uint64_t sum = sum_;
        while (sum >> 16 != 0) {
            sum = (sum & 0xFFFF) + (sum >> 16);
        }
        return static_cast<std::uint32_t>(sum + position_);
    }

private:
    ByteSink& out_;
    std::uint64_t position_ = 0;
    std::uint64_t sum_ = 0;
};

// A node of the rebuilt tree, with where its parts go in the new section.
struct Node {
    const PeResourceKey* key = nullptr;
    const Leaf* leaf = nullptr;
    std::vector<Node> children;
    std::uint64_t table = 0;       // its table, or its data entry for a leaf
    std::uint64_t name = 0;        // its string, when named
    std::uint64_t dataOffset = 0;  // a leaf's data
};

class DirectoryWriter {
public:
    // Groups the sorted, unique leaves into type / name / language nodes and
    // lays them out: tables, strings, data entries, then the data.
    explicit DirectoryWriter(const std::vector<const Leaf*>& leaves) {
        for (const Leaf* leaf : leaves) {
            Node* parent = &root_;
            for (int level = 0; level < kLevels; ++level) {
                if (level + 1 == kLevels || parent->children.empty() ||
                    CompareKeys(*parent->children.back().key, leaf->keys[level]) != 0) {
                    parent->children.push_back(Node());
                    parent->children.back().key = &leaf->keys[level];
                }
                parent = &parent->children.back();
            }
            parent->leaf = leaf;
        }
        std::vector<Node*> level = {&root_};
        std::vector<Node*> named;
        for (int depth = 0; depth < kLevels; ++depth) {
            std::vector<Node*> next;
            for (Node* node : level) {
                node->table = size_;
                size_ += kTableBytes + kEntryBytes * node->children.size();
                fits_ = fits_ && node->children.size() <= 0xFFFF;  // 16-bit counts
                for (Node& child : node->children) {
                    next.push_back(&child);
                    if (child.key->named) {
                        named.push_back(&child);
                    }
                }
            }
            level = std::move(next);
        }
        for (Node* node : named) {
            node->name = size_;
            size_ += 2 + 2 * std::uint64_t{node->key->name.size()};
        }
        size_ = AlignUp(size_, 8);
        for (Node* leaf : level) {
            leaf->table = size_;
            size_ += kDataEntryBytes;
        }
        tablesSize_ = size_;
        for (Node* leaf : level) {
            leaf->dataOffset = AlignUp(size_, 8);
            size_ = leaf->dataOffset + leaf->leaf->size;
        }
        leaves_ = std::move(level);
    }

    std::uint64_t size() const { return size_; }
    // Whether it can be written: 31-bit offsets, 16-bit entry counts.
    bool fits() const { return fits_ && size_ <= kMaxOffset; }

    // The section placed at `rva`, when it fits(): its tables, then each
    // leaf's data, the image's own copied, each addition written by write.
    bool Write(const std::uint8_t* image, std::uint32_t rva, const PeAdditionWriter& write,
               ChecksumSink& out) const {
        const std::uint64_t start = out.position();
        std::string tables(static_cast<std::size_t>(tablesSize_), '\0');
        WriteTable(root_, 0, rva, tables);
        if (!out.Write(tables)) {
            return false;
        }
        std::uint64_t at = tablesSize_;
        for (const Node* node : leaves_) {
            const Leaf& leaf = *node->leaf;
            static constexpr char kZeros[8] = {};
            if (!out.Write(kZeros, static_cast<std::size_t>(node->dataOffset - at))) {
                return false;
            }
            const bool written = leaf.added == kInImage ? out.Write(image + leaf.offset, leaf.size)
                                                        : write(leaf.added, out);
            // An addition of another size than it said would misplace the rest.
            if (!written || out.position() - start != node->dataOffset + leaf.size) {
                return false;
            }
            at = node->dataOffset + leaf.size;
        }
        return true;
    }

private:
    static void WriteTable(const Node& node, int depth, std::uint32_t rva, std::string& out) {
        const auto named = std::count_if(node.children.begin(), node.children.end(),
                                         [](const Node& child) { return child.key->named; });
        const std::size_t at = static_cast<std::size_t>(node.table);
        SetWord(out, at + 12, static_cast<std::uint16_t>(named));
        SetWord(out, at + 14,
                static_cast<std::uint16_t>(node.children.size() - static_cast<std::size_t>(named)));
        for (std::size_t i = 0; i < node.children.size(); ++i) {
            const Node& child = node.children[i];
            const std::size_t entry = at + kTableBytes + i * kEntryBytes;
            if (child.key->named) {
                SetDword(out, entry, kHighBit | static_cast<std::uint32_t>(child.name));
                const std::u16string& name = child.key->name;
                SetWord(out, static_cast<std::size_t>(child.name),
                        static_cast<std::uint16_t>(name.size()));
                for (std::size_t k = 0; k < name.size(); ++k) {
                    SetWord(out, static_cast<std::size_t>(child.name) + 2 + 2 * k, name[k]);
                }
            } else {
                SetDword(out, entry, child.key->id);
            }
            if (depth + 1 < kLevels) {
                SetDword(out, entry + 4, kHighBit | static_cast<std::uint32_t>(child.table));
                WriteTable(child, depth + 1, rva, out);
                continue;
            }
            const Leaf& leaf = *child.leaf;
            const std::size_t data = static_cast<std::size_t>(child.table);
            SetDword(out, entry + 4, static_cast<std::uint32_t>(child.table));
            SetDword(out, data, rva + static_cast<std::uint32_t>(child.dataOffset));
            SetDword(out, data + 4, leaf.size);
            SetDword(out, data + 8, leaf.codePage);
        }
    }

    Node root_;
    std::vector<Node*> leaves_;  // in the order of their data
    std::uint64_t tablesSize_ = 0;
    std::uint64_t size_ = 0;
    bool fits_ = true;
};

bool AllZero(const std::uint8_t* bytes, std::size_t count) {
    return std::all_of(bytes, bytes + count, [](std::uint8_t b) { return b == 0; });
}

}  // namespace

const char* PeStatusName(PeStatus status) {
    switch (status) {
        case PeStatus::Ok:
            return "success";
        case PeStatus::NotPe:
            return "not a Windows executable (no MZ or PE signature)";
        case PeStatus::Truncated:
            return "executable cut short";
        case PeStatus::UnsupportedMachine:
            return "executable for a machine other than i386 or AMD64";
        case PeStatus::NotExecutable:
            return "not an executable image";
        case PeStatus::BadOptionalHeader:
            return "bad optional header";
        case PeStatus::BadSectionTable:
            return "bad section table";
        case PeStatus::BadResourceDirectory:
            return "bad resource directory";
        case PeStatus::Signed:
            return "signed executable (adding resources would break the signature)";
        case PeStatus::NoRoomForSection:
            return "no room for a new section header";
        case PeStatus::TooLarge:
            return "resources too large for an executable";
        case PeStatus::NotWritten:
            return "not written in full";
    }
    return "unknown status";
}

PeTreeResult ReadPeResourceTree(const std::uint8_t* bytes, std::size_t size) {
    PeTreeResult result;
    Layout layout;
    std::vector<Leaf> leaves;
    ResourcePlace place;
    result.status = ReadTree(bytes, size, layout, leaves, place);
    if (result.status != PeStatus::Ok) {
        return result;
    }
    for (const Leaf& leaf : leaves) {
        PeResource resource;
        resource.type = leaf.keys[0];
        resource.name = leaf.keys[1];
        resource.language = leaf.keys[2];
        resource.codePage = leaf.codePage;
        resource.data.assign(bytes + leaf.offset, bytes + leaf.offset + leaf.size);
        result.resources.push_back(std::move(resource));
    }
    return result;
}

PeReadResult ReadPeResources(const std::uint8_t* bytes, std::size_t size) {
    PeTreeResult tree = ReadPeResourceTree(bytes, size);
    PeReadResult result;
    result.status = tree.status;
    for (PeResource& resource : tree.resources) {
        const auto numbered = [](const PeResourceKey& key) {
            return !key.named && key.id <= 0xFFFF;
        };
        const std::u16string& typeName = resource.type.name;
        const bool asciiType = resource.type.named && !typeName.empty() &&
                               std::all_of(typeName.begin(), typeName.end(),
                                           [](char16_t unit) { return unit > 0 && unit < 0x80; });
        if ((!numbered(resource.type) && !asciiType) || !numbered(resource.name) ||
            !numbered(resource.language)) {
            continue;
        }
        ResEntry entry;
        if (asciiType) {
            entry.type = ResourceType::Named(std::string(typeName.begin(), typeName.end()));
        } else {
            entry.type = ResourceType::Numbered(static_cast<std::uint16_t>(resource.type.id));
        }
        entry.id = static_cast<std::uint16_t>(resource.name.id);
        entry.language = static_cast<std::uint16_t>(resource.language.id);
        entry.data = std::move(resource.data);
        result.entries.push_back(std::move(entry));
    }
    return result;
}

namespace {

// Whether the image has the room and the freedom for a new resource directory.
PeStatus CheckWritable(const std::uint8_t* image, const Layout& layout) {
    if (layout.directoryCount <= kResourceDirectory) {
        return PeStatus::NoRoomForSection;
    }
    if (layout.directoryCount > kCertificateDirectory &&
        Dword(image + layout.directories + 8 * kCertificateDirectory + 4) != 0) {
        return PeStatus::Signed;
    }
    return PeStatus::Ok;
}

// The image's leaves and the added entries in directory order, the added
// ones after the image's own so that in each run of equal keys the last wins.
PeStatus MergeLeaves(std::vector<Leaf>& leaves, const std::vector<PeAddition>& added,
                     std::vector<const Leaf*>& merged) {
    for (std::size_t index = 0; index < added.size(); ++index) {
        const PeAddition& entry = added[index];
        Leaf leaf;
        if (entry.type.name.empty()) {
            leaf.keys[0].id = entry.type.number;
        } else {
            leaf.keys[0].named = true;
            for (char c : entry.type.name) {
                leaf.keys[0].name += FoldCase(static_cast<std::uint8_t>(c));
            }
        }
        leaf.keys[1].id = entry.id;
        leaf.keys[2].id = entry.language;
        if (entry.type.name.size() > 0xFFFF || entry.size > kMaxDword) {
            return PeStatus::TooLarge;
        }
        leaf.size = static_cast<std::uint32_t>(entry.size);
        leaf.added = index;
        leaves.push_back(std::move(leaf));
    }
    for (const Leaf& leaf : leaves) {
        merged.push_back(&leaf);
    }
    std::stable_sort(merged.begin(), merged.end(),
                     [](const Leaf* a, const Leaf* b) { return CompareLeaves(*a, *b) < 0; });
    const auto last = std::unique(merged.rbegin(), merged.rend(), [](const Leaf* a, const Leaf* b) {
        return CompareLeaves(*a, *b) == 0;
    });
    merged.erase(merged.begin(), last.base());
    return merged.size() > kMaxResources ? PeStatus::TooLarge : PeStatus::Ok;
}

// Where the new resource section goes, in memory and in the file.
struct NewSection {
    bool inPlace = false;      // it replaces the old one
    std::size_t headerAt = 0;  // its section header
    std::uint64_t rva = 0;
    std::uint64_t rawPointer = 0;
    std::uint32_t oldRawSize = 0;  // of the section replaced
};

// The old resource section is replaced when it is last in the table and in
// the file, after the headers and every other section's data; otherwise a
// new section goes after everything.
PeStatus PlaceSection(const std::uint8_t* image, std::size_t size, const Layout& layout,
                      const ResourcePlace& place, NewSection& section) {
    const std::size_t count = layout.sections.size();
    const auto endsBefore = [&](std::uint64_t at) {
        return layout.sectionTable + count * kSectionHeaderBytes <= at &&
               std::all_of(layout.sections.begin(), layout.sections.end() - 1,
                           [at](const Section& other) {
                               return other.rawSize == 0 ||
                                      std::uint64_t{other.rawPointer} + other.rawSize <= at;
                           });
    };
    section.inPlace =
        place.section >= 0 && static_cast<std::size_t>(place.section) + 1 == count &&
        place.atSectionStart && layout.sections.back().rawSize != 0 &&
        std::uint64_t{layout.sections.back().rawPointer} + layout.sections.back().rawSize == size &&
        endsBefore(layout.sections.back().rawPointer);
    section.headerAt =
        layout.sectionTable + (section.inPlace ? count - 1 : count) * kSectionHeaderBytes;
    if (section.inPlace) {
        section.rva = layout.sections.back().virtualAddress;
        section.rawPointer = layout.sections.back().rawPointer;
        section.oldRawSize = layout.sections.back().rawSize;
        return PeStatus::Ok;
    }
    std::uint64_t firstRaw = layout.sizeOfHeaders;
    for (const Section& other : layout.sections) {
        if (other.rawSize != 0) {
            firstRaw = std::min<std::uint64_t>(firstRaw, other.rawPointer);
        }
    }
    if (count >= 0xFFFF ||
        section.headerAt + kSectionHeaderBytes > std::min<std::uint64_t>(firstRaw, size) ||
        !AllZero(image + section.headerAt, kSectionHeaderBytes)) {
        return PeStatus::NoRoomForSection;
    }
    // Adjacent to the last section, as the loader wants; after the headers
    // when there is none.
    section.rva = AlignUp(std::max<std::uint64_t>(layout.memoryEnd, layout.sizeOfHeaders),
                          layout.sectionAlignment);
    section.rawPointer = AlignUp(size, layout.fileAlignment);
    return PeStatus::Ok;
}

void WriteSectionHeader(std::string& out, const NewSection& section, std::uint32_t virtualSize,
                        std::uint64_t rawSize) {
    const std::size_t at = section.headerAt;
    out.replace(at, 8, ".rsrc\0\0\0", 8);
    SetDword(out, at + 8, virtualSize);
    SetDword(out, at + 12, static_cast<std::uint32_t>(section.rva));
    SetDword(out, at + 16, static_cast<std::uint32_t>(rawSize));
    SetDword(out, at + 20, static_cast<std::uint32_t>(section.rawPointer));
    std::memset(&out[at + 24], 0, 12);  // relocations and line numbers
    SetDword(out, at + 36, kScnInitializedData | kScnMemRead);
}

// The file and optional headers brought up to date with the new section.
void UpdateHeaders(std::string& out, const Layout& layout, const ResourcePlace& place,
                   const NewSection& section, std::uint32_t directorySize, std::uint64_t rawSize,
                   std::uint64_t imageEnd) {
    if (!section.inPlace) {
        const std::size_t count = layout.sections.size();
        SetWord(out, layout.fileHeader + 2, static_cast<std::uint16_t>(count + 1));
        // Tools that look for the resources by section name (objdump, windres)
        // must find the new ones.
        const std::size_t oldAt =
            layout.sectionTable + static_cast<std::size_t>(place.section) * kSectionHeaderBytes;
        if (place.section >= 0 && out.compare(oldAt, 8, ".rsrc\0\0\0", 8) == 0) {
            out.replace(oldAt, 8, kOldSectionName, 8);
        }
    }
    const std::size_t initializedAt = layout.optional + kSizeOfInitializedDataAt;
    SetDword(
        out, initializedAt,
        DwordAt(out, initializedAt) + static_cast<std::uint32_t>(rawSize) - section.oldRawSize);
    SetDword(out, layout.optional + kSizeOfImageAt, static_cast<std::uint32_t>(imageEnd));
    const std::size_t resourceAt = layout.directories + 8 * kResourceDirectory;
    SetDword(out, resourceAt, static_cast<std::uint32_t>(section.rva));
    SetDword(out, resourceAt + 4, directorySize);
    SetDword(out, layout.optional + kCheckSumAt, 0);  // counted as zero, then written over
}

}  // namespace

PeStatus WritePeResources(const std::uint8_t* image, std::size_t size,
                          const std::vector<PeAddition>& added, const PeAdditionWriter& write,
                          ByteSink& sink) {
    Layout layout;
    std::vector<Leaf> leaves;
    ResourcePlace place;
    if (const PeStatus status = ReadTree(image, size, layout, leaves, place);
        status != PeStatus::Ok) {
        return status;
    }
    if (const PeStatus status = CheckWritable(image, layout); status != PeStatus::Ok) {
        return status;
    }
    std::vector<const Leaf*> merged;
    if (const PeStatus status = MergeLeaves(leaves, added, merged); status != PeStatus::Ok) {
        return status;
    }
    const DirectoryWriter directory(merged);
    NewSection section;
    if (const PeStatus status = PlaceSection(image, size, layout, place, section);
        status != PeStatus::Ok) {
        return status;
    }
    const std::uint64_t rawSize = AlignUp(directory.size(), layout.fileAlignment);
    const std::uint64_t imageEnd = AlignUp(section.rva + directory.size(), layout.sectionAlignment);
    if (!directory.fits() || section.rawPointer + rawSize > kMaxDword || imageEnd > kMaxDword) {
        return PeStatus::TooLarge;
    }

    // The image as it stays, its headers brought up to date, then the new
    // section, the additions written as their turn comes.
    const auto rawPointer = static_cast<std::size_t>(section.rawPointer);
    std::string head(reinterpret_cast<const char*>(image), section.inPlace ? rawPointer : size);
    head.resize(rawPointer, '\0');
    const auto directorySize = static_cast<std::uint32_t>(directory.size());
    WriteSectionHeader(head, section, directorySize, rawSize);
    UpdateHeaders(head, layout, place, section, directorySize, rawSize, imageEnd);
    ChecksumSink out(sink);
    const std::string tail(static_cast<std::size_t>(rawSize - directory.size()), '\0');
    if (!out.Write(head) ||
        !directory.Write(image, static_cast<std::uint32_t>(section.rva), write, out) ||
        !out.Write(tail)) {
        return PeStatus::NotWritten;
    }
    std::string checksum(4, '\0');
    SetDword(checksum, 0, out.Checksum());
    return sink.Overwrite(layout.optional + kCheckSumAt, checksum.data(), checksum.size())
               ? PeStatus::Ok
               : PeStatus::NotWritten;
}

std::vector<std::size_t> PeAdditionOrder(const std::vector<PeAddition>& added) {
    std::vector<Leaf> leaves;
    std::vector<const Leaf*> merged;
    std::vector<std::size_t> order;
    if (MergeLeaves(leaves, added, merged) == PeStatus::Ok) {
        for (const Leaf* leaf : merged) {
            order.push_back(leaf->added);
        }
    }
    return order;
}

PeWriteResult AddPeResources(const std::uint8_t* image, std::size_t size,
                             const std::vector<ResEntry>& added) {
    std::vector<PeAddition> additions;
    for (const ResEntry& entry : added) {
        additions.push_back({entry.type, entry.id, entry.language, entry.data.size()});
    }
    PeWriteResult result;
    StringSink out;
    result.status = WritePeResources(
        image, size, additions,
        [&added](std::size_t index, ByteSink& to) {
            return to.Write(added[index].data.data(), added[index].data.size());
        },
        out);
    if (result.status == PeStatus::Ok) {
        result.bytes = std::move(out.bytes);
    }
    return result;
}

}  // namespace brivel
