#include "app/progress_places.h"

#include <cstdint>
#include <cstdio>

#include "app/progress_format.h"
#include "io/folders.h"
#include "io/input_file.h"

namespace brivel {

namespace {

// FNV-1a: stable from one version to the next, as the names it makes must be
// for a player to find its progress again.
std::uint64_t PathHash(std::string_view path) {
    std::uint64_t hash = 0xCBF29CE484222325u;
    for (const char c : path) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
    }
    return hash;
}

// Only an absolute folder: a relative one would move with the working folder.
bool Absolute(const char* folder) {
    return folder != nullptr && folder[0] == '/';
}

std::string FolderOf(const std::string& file) {
    const std::string::size_type slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

bool Exists(const std::string& file) {
    return InputFile(file).ok();
}

}  // namespace

ProgressPlaces ProgressPlacesOf(std::string_view programPath, const char* xdgStateHome,
                                const char* home) {
    ProgressPlaces places;
    places.beside = ProgressFileBeside(programPath);
    if (Absolute(xdgStateHome)) {
        places.stateFolder = xdgStateHome;
    } else if (Absolute(home)) {
        places.stateFolder = std::string(home) + "/.local/state";
    } else {
        return places;
    }
    if (places.stateFolder.back() != '/') {
        places.stateFolder += '/';
    }
    places.stateFolder += "brivel/";
    // ProgressFileName always ends in ".txt": the hash goes before it.
    std::string name = ProgressFileName(programPath);
    char hash[18];
    std::snprintf(hash, sizeof hash, "-%016llx",
                  static_cast<unsigned long long>(PathHash(programPath)));
    name.insert(name.size() - 4, hash);
    places.inState = places.stateFolder + name;
    return places;
}

std::string ProgressFileToLoad(const ProgressPlaces& places) {
    if (places.inState.empty() || !Exists(places.inState)) {
        return places.beside;
    }
    return Exists(places.beside) && FolderTakesFiles(FolderOf(places.beside)) ? places.beside
                                                                              : places.inState;
}

std::string ProgressFileToSave(const ProgressPlaces& places) {
    if (places.inState.empty() || FolderTakesFiles(FolderOf(places.beside))) {
        return places.beside;
    }
    MakePrivateFolders(places.stateFolder);
    return places.inState;
}

}  // namespace brivel
