#pragma once

// The resource section of a Windows executable (PE32 or PE32+, i386 or AMD64),
// read and rewritten without any Windows header, so that the authoring tool can
// turn the bare player into a quiz on any system. The layout follows the
// Microsoft PE/COFF format: a tree of resource directory tables (type,
// then name, then language), each entry an integer id or an offset to a
// length-prefixed UTF-16 string, the leaves pointing to data entries that give
// each resource's RVA, size and code page.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "maker/byte_sink.h"
#include "quiz/res_file.h"

namespace brivel {

enum class PeStatus : int {
    Ok = 0,
    // No "MZ" at the start, e_lfanew outside the file, or no "PE\0\0" there.
    NotPe,
    // The file header, optional header or section table, or a section's raw
    // data, reaches past the end of the file.
    Truncated,
    // The machine is neither i386 nor AMD64.
    UnsupportedMachine,
    // The image is not marked executable (an object file, say).
    NotExecutable,
    // The optional header's magic is not PE32 (with i386) or PE32+ (with
    // AMD64), it is too small for its data directories, or the section and
    // file alignments are not powers of two with FileAlignment <= 64 KiB and
    // SectionAlignment >= FileAlignment.
    BadOptionalHeader,
    // Sections out of ascending order or overlapping in memory, or a section
    // reaching past 4 GiB.
    BadSectionTable,
    // The resource directory is not inside one section's loaded raw data (the
    // raw bytes within its VirtualSize), an offset or a string points outside
    // it, a table is reached twice (a loop or a shared table), the tree is not
    // exactly type / name / language deep, there are more than 196608 entries
    // in all, a leaf's data is not in one section's loaded raw data, or the
    // strings or the data together take more than the section or the file
    // (they are shared).
    BadResourceDirectory,
    // Writing only: the image is signed (it has a certificate table), which any
    // change would break and which sits where the new section would go.
    Signed,
    // Writing only: the data directory has no resource entry, or there is no
    // zeroed room for one more section header before the first section's data.
    NoRoomForSection,
    // Writing only: more than 65536 resources, or the new resource section or
    // the file would pass the 31-bit directory offsets, the 16-bit entry counts
    // of a table, or the 32-bit sizes and addresses of the format.
    TooLarge,
    // Writing only: the sink refused the bytes, or an addition could not be
    // had (they know why).
    NotWritten,
};

// A short English meaning of the status, for the authoring tool.
const char* PeStatusName(PeStatus status);

// A type, name or language of the resource tree: an integer id, or a UTF-16
// string (named).
struct PeResourceKey {
    bool named = false;
    std::uint32_t id = 0;
    std::u16string name;
};

// One leaf of the tree, with everything the directory says about it.
struct PeResource {
    PeResourceKey type;
    PeResourceKey name;
    PeResourceKey language;
    std::uint32_t codePage = 0;
    std::vector<std::uint8_t> data;
};

struct PeTreeResult {
    PeStatus status = PeStatus::Ok;
    // Every leaf in directory order; empty unless Ok. An image without a
    // resource directory is Ok with no leaves.
    std::vector<PeResource> resources;
};

// Every resource of the image, named ids included.
PeTreeResult ReadPeResourceTree(const std::uint8_t* bytes, std::size_t size);

struct PeReadResult {
    PeStatus status = PeStatus::Ok;
    std::vector<ResEntry> entries;
};

// The resources that ResourceProvider can ask for, in directory order: numbered
// ids (up to 65535) with a numbered type or an ASCII type name, and a numbered
// language. The rest are skipped, as ReadResFile skips them.
PeReadResult ReadPeResources(const std::uint8_t* bytes, std::size_t size);

struct PeWriteResult {
    PeStatus status = PeStatus::Ok;
    // The whole new image; empty unless Ok.
    std::string bytes;
};

// A copy of the image with `added` merged into its resources. An added entry
// replaces the resource of the same type, id and language; every other
// resource is kept byte for byte with its language and code page. Added type
// names are stored in upper case, as rc does and as FindResource looks for
// them; added data gets code page 0.
//
// The new directory is written as a fresh ".rsrc" section after every other
// one in memory, its raw data at the end of the file so that anything after
// the sections (the COFF symbol table of a MinGW build) stays where it is. The
// old resource section is left in place, unused and renamed ".oldrsrc" so that
// tools finding the resources by section name see the new ones, unless it is
// already the last section with nothing after it in the file, in which case it
// is replaced. The
// resource data directory, NumberOfSections, SizeOfImage,
// SizeOfInitializedData and the checksum are updated. A signed image is
// refused (Signed).
PeWriteResult AddPeResources(const std::uint8_t* image, std::size_t size,
                             const std::vector<ResEntry>& added);

// A resource to add, whose bytes are had only as they are written.
struct PeAddition {
    ResourceType type;
    std::uint16_t id = 0;
    std::uint16_t language = 0;
    std::uint64_t size = 0;
};

// Writes addition index's bytes, exactly its size, to the sink; false when
// they cannot be had or written.
using PeAdditionWriter = std::function<bool(std::size_t index, ByteSink& sink)>;

// AddPeResources written into sink as it goes, each addition's bytes asked
// of write once, in the order of the directory, so that a quiz of large
// pictures is never held whole. The checksum is written over its field last.
PeStatus WritePeResources(const std::uint8_t* image, std::size_t size,
                          const std::vector<PeAddition>& added, const PeAdditionWriter& write,
                          ByteSink& sink);

// The order in which WritePeResources asks for the additions, the
// directory's: an addition another one replaces is never asked for. Empty
// when they cannot be written.
std::vector<std::size_t> PeAdditionOrder(const std::vector<PeAddition>& added);

}  // namespace brivel
