#pragma once

// A quiz for a learning platform (Moodle, Chamilo and the others that take
// SCORM packages): a .zip of the web quiz's page and the manifest the
// platform reads, in one edition of the standard. A manifest names one
// edition, so each is a form of its own; the page, marked with that edition,
// talks to the platform's API of it (src/web/platform.js).

#include <optional>
#include <string>
#include <string_view>

namespace brivel {

enum class ScormEdition {
    V12,    // SCORM 1.2: the one every platform takes
    V2004,  // SCORM 2004 4th Edition: a scaled score, and passed once every picture is found
};

// The page's name in the package, and so its progress file's ("quiz.txt").
inline constexpr std::string_view kScormPage = "quiz.html";

// imsmanifest.xml: the package's identifier and title (UTF-8), one SCO, its page.
std::string ScormManifest(ScormEdition edition, std::string_view identifier,
                          std::string_view title);

// The package of a web quiz's page, titled title; nothing when a .zip cannot
// hold the page.
std::optional<std::string> WriteScormPackage(ScormEdition edition, std::string_view page,
                                             std::string_view title);

}  // namespace brivel
