#include "maker/carried_notices.h"

#include <algorithm>
#include <iterator>
#include <string_view>
#include <utility>

#include "maker/pe_resources.h"
#include "maker/zip_archive.h"
#include "services/resource_provider.h"

namespace brivel {

namespace {

// Where each player keeps them: the Windows players' resource
// (src/win32/brivel_player.rc), the Linux player's section (the build's
// notices/linux.cpp), the web page's element (src/web/player.html).
constexpr std::u16string_view kResourceName = u"NOTICES";
constexpr std::string_view kSectionName = ".brivel_notices";
constexpr std::string_view kElementStart = "<pre id=\"notices\"";
constexpr std::string_view kElementEnd = "</pre>";

std::uint64_t Little(const std::uint8_t* at, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = value << 8 | at[i];
    }
    return value;
}

// Characters, not bytes: the notices are UTF-8.
std::size_t Length(const std::string& utf8) {
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

CarriedNotices Found(NoticesStatus status, std::string text = std::string()) {
    return {status, std::move(text)};
}

CarriedNotices OfWindowsQuiz(const std::uint8_t* bytes, std::size_t size) {
    const PeTreeResult tree = ReadPeResourceTree(bytes, size);
    if (tree.status != PeStatus::Ok) {
        return Found(NoticesStatus::Unreadable);
    }
    for (const PeResource& resource : tree.resources) {
        if (!resource.type.named && resource.type.id == kRcData && resource.name.named &&
            resource.name.name == kResourceName) {
            return Found(NoticesStatus::Carried,
                         std::string(resource.data.begin(), resource.data.end()));
        }
    }
    return Found(NoticesStatus::NoneCarried);
}

// An ELF file's section of that name, read through its section headers
// (little-endian, 32- or 64-bit: the Linux player's x86 builds); the text it
// holds ends at its first NUL.
CarriedNotices OfLinuxQuiz(const std::uint8_t* bytes, std::size_t size) {
    if (size < 64 || (bytes[4] != 1 && bytes[4] != 2) || bytes[5] != 1) {
        return Found(NoticesStatus::Unreadable);
    }
    const bool wide = bytes[4] == 2;
    const std::uint64_t table = Little(bytes + (wide ? 0x28 : 0x20), wide ? 8 : 4);
    const std::uint64_t entrySize = Little(bytes + (wide ? 0x3A : 0x2E), 2);
    const std::uint64_t count = Little(bytes + (wide ? 0x3C : 0x30), 2);
    const std::uint64_t names = Little(bytes + (wide ? 0x3E : 0x32), 2);
    if (entrySize < (wide ? 64u : 40u) || table > size || count > (size - table) / entrySize ||
        names >= count) {
        return Found(NoticesStatus::Unreadable);
    }
    // A section's place in the file, or none when it passes the file's end.
    const auto place = [&](std::uint64_t index, std::uint64_t& offset, std::uint64_t& length) {
        const std::uint8_t* header = bytes + table + index * entrySize;
        offset = Little(header + (wide ? 0x18 : 0x10), wide ? 8 : 4);
        length = Little(header + (wide ? 0x20 : 0x14), wide ? 8 : 4);
        constexpr std::uint32_t kNoBits = 8;  // a section that takes no room in the file
        if (Little(header + 4, 4) == kNoBits) {
            length = 0;
        }
        return offset <= size && length <= size - offset;
    };
    std::uint64_t namesAt = 0;
    std::uint64_t namesLength = 0;
    if (!place(names, namesAt, namesLength)) {
        return Found(NoticesStatus::Unreadable);
    }
    const std::string_view strings(reinterpret_cast<const char*>(bytes + namesAt), namesLength);
    for (std::uint64_t index = 0; index < count; ++index) {
        const std::uint64_t name = Little(bytes + table + index * entrySize, 4);
        if (name >= strings.size() ||
            strings.substr(name, strings.find('\0', name) - name) != kSectionName) {
            continue;
        }
        std::uint64_t offset = 0;
        std::uint64_t length = 0;
        if (!place(index, offset, length)) {
            return Found(NoticesStatus::Unreadable);
        }
        const std::string_view text(reinterpret_cast<const char*>(bytes + offset), length);
        return Found(NoticesStatus::Carried, std::string(text.substr(0, text.find('\0'))));
    }
    return Found(NoticesStatus::NoneCarried);
}

// The page's element holds the notices as HTML text (src/web/make_page.py
// escapes them).
CarriedNotices OfWebQuiz(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view page(reinterpret_cast<const char*>(bytes), size);
    const std::size_t element = page.find(kElementStart);
    const std::size_t begin = page.find('>', element);
    const std::size_t end = page.find(kElementEnd, begin);
    if (element == std::string_view::npos || end == std::string_view::npos) {
        return Found(NoticesStatus::NoneCarried);
    }
    constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&lt;", '<'}, {"&gt;", '>'}, {"&amp;", '&'}};
    std::string text;
    for (std::size_t at = begin + 1; at < end;) {
        const auto* entity =
            std::find_if(std::begin(kEntities), std::end(kEntities),
                         [&](const auto& e) { return page.substr(at, e.first.size()) == e.first; });
        if (entity != std::end(kEntities)) {
            text += entity->second;
            at += entity->first.size();
        } else {
            text += page[at++];
        }
    }
    return Found(NoticesStatus::Carried, std::move(text));
}

CarriedNotices OfFolder(const std::uint8_t* bytes, std::size_t size) {
    const ZipFolder zip = ReadZipFolder(bytes, size);
    if (zip.status != ZipStatus::Ok) {
        return Found(NoticesStatus::Unreadable);
    }
    for (const FolderFile& file : zip.files) {
        if (file.name == kNoticesFileName) {
            return Found(NoticesStatus::Carried, std::string(file.bytes.begin(), file.bytes.end()));
        }
    }
    return Found(NoticesStatus::NoneCarried);
}

}  // namespace

CarriedNotices NoticesOfQuiz(const std::uint8_t* bytes, std::size_t size, QuizForm form) {
    switch (form) {
        case QuizForm::Windows:
            return OfWindowsQuiz(bytes, size);
        case QuizForm::Linux:
            return OfLinuxQuiz(bytes, size);
        case QuizForm::Web:
            return OfWebQuiz(bytes, size);
        case QuizForm::Folder:
            return OfFolder(bytes, size);
        case QuizForm::Res:
        case QuizForm::Description:
        case QuizForm::Scorm12:
        case QuizForm::Scorm2004:
            break;
    }
    return Found(NoticesStatus::NoPlayer);
}

std::vector<std::string> NoticedComponents(const std::string& notices) {
    constexpr std::string_view kLicence = "Licence : ";
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < notices.size();) {
        const std::size_t end = std::min(notices.find('\n', at), notices.size());
        lines.push_back(notices.substr(at, end - at));
        at = end + 1;
    }
    std::vector<std::string> components;
    std::vector<std::string> licences;
    const auto close = [&]() {
        std::string& last = components.back();
        for (std::size_t i = 0; i < licences.size(); ++i) {
            last += (i == 0 ? " (" : ", ") + licences[i] + (i + 1 == licences.size() ? ")" : "");
        }
        licences.clear();
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        // A heading is underlined with as many "=", the notices' own title aside.
        if (i + 1 < lines.size() && !line.empty() && line != "Licences" &&
            lines[i + 1] == std::string(Length(line), '=')) {
            if (!components.empty()) {
                close();
            }
            components.push_back(line);
        } else if (!components.empty() && line.compare(0, kLicence.size(), kLicence) == 0) {
            const std::string licence = line.substr(kLicence.size());
            if (std::find(licences.begin(), licences.end(), licence) == licences.end()) {
                licences.push_back(licence);
            }
        }
    }
    if (!components.empty()) {
        close();
    }
    return components;
}

}  // namespace brivel
