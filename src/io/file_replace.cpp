#include "io/file_replace.h"

namespace brivel {

const char* ReplaceStatusName(ReplaceStatus status) {
    switch (status) {
        case ReplaceStatus::Replaced:
            return "written";
        case ReplaceStatus::IsFolder:
            return "is a folder, not a file";
        case ReplaceStatus::NoTemporary:
            return "cannot write beside it";
        case ReplaceStatus::WriteFailed:
        case ReplaceStatus::MoveFailed:
            break;
    }
    return "cannot write the file";
}

// The bytes written in one piece: what each system's streaming writer does.
ReplaceResult ReplaceFileWith(const std::string& path, std::string_view bytes,
                              FileUse use) noexcept {
    return ReplaceFileWith(
        path, [bytes](FileWriter& writer) { return writer.Write(bytes); }, use);
}

}  // namespace brivel
