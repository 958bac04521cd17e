#include "maker/appended_bundle_writer.h"

#include "quiz/appended_bundle.h"

namespace brivel {

std::size_t BareSize(const std::uint8_t* bytes, std::size_t size) {
    std::size_t offset = 0;
    std::size_t length = 0;
    return LocateBundle(bytes, size, offset, length) == BundleStatus::Ok ? offset : size;
}

std::string BundleTrailer(std::uint64_t length) {
    std::string out;
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<char>(length & 0xff));
        length >>= 8;
    }
    out.append(kBundleMagic, 8);
    return out;
}

std::string AppendBundle(const std::string& player, const std::string& bundle) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(player.data());
    return player.substr(0, BareSize(bytes, player.size())) + bundle + BundleTrailer(bundle.size());
}

}  // namespace brivel
