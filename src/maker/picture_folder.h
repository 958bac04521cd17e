#pragma once

// A quiz folder's pictures as a maker put them there: which files are
// pictures, the order a person reads their names in, and the starter
// description that gives each one a [[picture]].

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brivel {

// A picture file found beside the description.
struct FolderPicture {
    std::string name;      // the file's name as found (a Mac's may have its accents apart)
    std::string unusable;  // why no player can show it as it is ("a HEIC picture, ..."), or empty
};

// Whether name is one a system hides or keeps for itself (.DS_Store, a Mac's
// ._IMG_0001.jpg, Thumbs.db): never a maker's picture, whatever it holds.
bool IsHiddenFileName(std::string_view name);

// Whether name comes before other as a person orders them: numbers by their
// value (2.jpg before 10.jpg, IMG_0002 before IMG_0010), letters in either
// case and with or without accents alike, a name before its longer forms
// (photo.jpg before photo 2.jpg). Names that differ in nothing else are told
// apart by their bytes, so the order is total.
bool NaturalLess(std::string_view name, std::string_view other);

// The picture file named name, from its first bytes (head, up to
// kPictureHeadSize of them): a JPEG or a PNG, a format a player cannot show
// (with the reason and the conversion), or nothing for any other file.
inline constexpr std::size_t kPictureHeadSize = 1024;
std::optional<FolderPicture> PictureOfFile(std::string_view name, const std::uint8_t* head,
                                           std::size_t size);

// The picture files directly in dir, in NaturalLess order. false, with the
// reason, when dir cannot be listed; a file that cannot be read is left out.
bool PicturesInFolder(const std::string& dir, std::vector<FolderPicture>& pictures,
                      std::string& reason);

// The starter description for a folder of pictures: the commented starter,
// then one [[picture]] per picture, in the given order, with an empty answer
// and code step to fill in; a picture no player can show is listed in a
// comment that says how to convert it. Names are written with their accents
// composed, as the description is read. With no pictures, StarterDescription().
std::string StarterDescriptionFor(const std::vector<FolderPicture>& pictures);

}  // namespace brivel
