#pragma once

// A quiz folder as one .zip archive: read from whatever made it (a maker's
// file manager, the studio's download), written as the studio's download,
// entries stored since JPEG pictures do not shrink.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace brivel {

// The most that a quiz folder's files may hold together once read from a
// .zip: some 96 phone photos, and far below what a small archive of repeated
// bytes would claim.
inline constexpr std::size_t kZipLimit = std::size_t{1} << 30;

// One file of a quiz folder, named from the folder ("quiz.toml", "photos/01.jpg").
struct FolderFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

enum class ZipStatus {
    Ok,             // the folder's files were read
    NotAZip,        // no end-of-directory record in the last 64 KiB of the file
    Damaged,        // a directory record or an entry's header is cut short or out of place
    Unsupported,    // spanned over several files, Zip64, encrypted, or compressed by
                    // another method than stored or deflated
    TooLarge,       // the folder's files would hold more than kZipLimit bytes together
    BadData,        // an entry does not inflate to the size its directory record gives
    BadCrc,         // an entry's bytes do not match their CRC-32
    NoDescription,  // no quiz.toml anywhere in it
};

// A short English meaning of the status.
const char* ZipStatusName(ZipStatus status);

// Whether bytes start as a .zip archive does (an entry, or the end record of an empty one).
bool LooksLikeZip(const std::uint8_t* bytes, std::size_t size);

struct ZipFolder {
    ZipStatus status = ZipStatus::Ok;
    std::string folder;             // where the quiz folder is in the archive: "" or "quiz/"
    std::vector<FolderFile> files;  // every file under it, its folders' entries left out
    std::string entry;              // the entry at fault, when one is
};

// The quiz folder in a .zip: the folder of its shallowest quiz.toml (the
// first in the directory among equals), at any depth. Names are UTF-8 when
// their entry says so, else UTF-8 when they read as such (a Mac's archives
// do not say), else the DOS code page 437.
ZipFolder ReadZipFolder(const std::uint8_t* bytes, std::size_t size);

// When a .zip's entries were made: seconds since 1970 on the maker's clock
// (their local time counted as if it were UTC, as a .zip holds no time
// zone), kept to two seconds from 1980 to 2107, a time outside taken to the
// nearer end.
using ZipTime = std::int64_t;

// 1980-01-01 00:00, the earliest: for an archive that must depend on its files alone.
inline constexpr ZipTime kZipEpoch = 315532800;

// Entries made on Unix, regular files readable by all (mode 0644), their
// names in UTF-8 and said to be: every unzip then writes the names as given.
class ZipWriter {
public:
    explicit ZipWriter(ZipTime made = kZipEpoch);
    // false, adding nothing, when the archive cannot hold the file: a name
    // of 64 KiB or more, data of 4 GiB or more, or a 65536th file.
    bool Add(const std::string& name, const std::string& data);
    // The whole archive; the writer is empty again.
    std::string Finish();

private:
    ZipTime made_;
    std::uint16_t dosTime_;
    std::uint16_t dosDate_;
    std::string body_;
    std::string directory_;
    std::uint16_t count_ = 0;
};

}  // namespace brivel
