#include "maker/scorm_package.h"

#include <cstdint>
#include <cstdio>

#include "maker/zip_archive.h"

namespace brivel {

namespace {

struct Edition {
    const char* version;    // the manifest's schemaversion, and the page's mark
    const char* contentNs;  // the manifest's own namespace
    const char* adlcpNs;    // ADL's, for the SCO's type
    const char* scormType;  // the type's attribute, spelt as each edition spells it
};

const Edition& EditionOf(ScormEdition edition) {
    static const Edition k12{"1.2", "http://www.imsproject.org/xsd/imscp_rootv1p1p2",
                             "http://www.adlnet.org/xsd/adlcp_rootv1p2", "scormtype"};
    static const Edition k2004{"2004 4th Edition", "http://www.imsglobal.org/xsd/imscp_v1p1",
                               "http://www.adlnet.org/xsd/adlcp_v1p3", "scormType"};
    return edition == ScormEdition::V12 ? k12 : k2004;
}

// Text as XML character data: the five special characters escaped, and the
// control characters XML 1.0 cannot hold left out.
std::string XmlText(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') {
                    out += c;
                }
        }
    }
    return out;
}

// One quiz, one identifier: the page's bytes carry the whole quiz.
std::string Identifier(std::string_view page) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : page) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char text[32];
    std::snprintf(text, sizeof text, "brivel-%016llx", static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace

std::string ScormManifest(ScormEdition edition, std::string_view identifier,
                          std::string_view title) {
    const Edition& e = EditionOf(edition);
    const std::string name = XmlText(title.empty() ? std::string_view("Quiz Brivel") : title);
    const std::string page(kScormPage);
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n") + "<manifest identifier=\"" +
           XmlText(identifier) + "\" version=\"1.0\"\n" + "          xmlns=\"" + e.contentNs +
           "\"\n" + "          xmlns:adlcp=\"" + e.adlcpNs + "\">\n" +
           "  <metadata>\n"
           "    <schema>ADL SCORM</schema>\n"
           "    <schemaversion>" +
           e.version +
           "</schemaversion>\n"
           "  </metadata>\n"
           "  <organizations default=\"brivel-organization\">\n"
           "    <organization identifier=\"brivel-organization\">\n"
           "      <title>" +
           name + "</title>\n" +
           "      <item identifier=\"brivel-item\" identifierref=\"brivel-sco\">\n"
           "        <title>" +
           name + "</title>\n" +
           "      </item>\n"
           "    </organization>\n"
           "  </organizations>\n"
           "  <resources>\n"
           "    <resource identifier=\"brivel-sco\" type=\"webcontent\" adlcp:" +
           e.scormType + "=\"sco\" href=\"" + page + "\">\n" + "      <file href=\"" + page +
           "\"/>\n" +
           "    </resource>\n"
           "  </resources>\n"
           "</manifest>\n";
}

std::optional<std::string> WriteScormPackage(ScormEdition edition, std::string_view page,
                                             std::string_view title) {
    // The mark tells the page which platform's API to look for; a web quiz
    // without it never looks for one. Its charset stays first.
    const std::size_t at = page.find("</head>");
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string marked =
        std::string(page.substr(0, at)) + "<meta name=\"brivel-scorm\" content=\"" +
        (edition == ScormEdition::V12 ? "1.2" : "2004") + "\">\n" + std::string(page.substr(at));
    ZipWriter zip;
    if (!zip.Add("imsmanifest.xml", ScormManifest(edition, Identifier(page), title)) ||
        !zip.Add(std::string(kScormPage), marked)) {
        return std::nullopt;
    }
    return zip.Finish();
}

}  // namespace brivel
