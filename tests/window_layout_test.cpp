#include "app/window_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "scratch_folder.h"

namespace brivel {
namespace {

std::string Source(const std::string& name) {
    return testing::FileBytes(std::string(BRIVEL_SOURCE_DIR) + "/" + name);
}

// A number of the Windows player's calls: "N", or "w - N" / "h - N" for
// one that follows the parent's size.
Offset OffsetOf(const std::string& text) {
    static const std::regex kFar(R"([wh] - (\d+))");
    std::smatch match;
    if (std::regex_match(text, match, kFar)) {
        return Far(std::stoi(match[1]));
    }
    return Offset{std::stoi(text)};
}

struct Place {
    Offset x, y, w, h;
};

bool operator==(Offset a, Offset b) {
    return a.pixels == b.pixels && a.fromFarEdge == b.fromFarEdge;
}

const std::string& WindowsSources() {
    static const std::string sources = Source("win32/player.h") + Source("win32/main_window.cpp") +
                                       Source("win32/header_panel.cpp") +
                                       Source("win32/play_panel.cpp");
    return sources;
}

// The Windows player's named numbers: control ids and the window's size.
std::map<std::string, int> WindowsConstants() {
    const std::string& sources = WindowsSources();
    std::map<std::string, int> ids;
    static const std::regex kId(R"(constexpr int (k\w+) = (\d+);)");
    for (std::sregex_iterator it(sources.begin(), sources.end(), kId), end; it != end; ++it) {
        ids[(*it)[1]] = std::stoi((*it)[2]);
    }
    return ids;
}

// The Windows player spells its controls' places out in its calls, as it
// creates, then lays out, each control. Collects the last place each
// control id is given, in the three windows' sources.
std::map<int, Place> WindowsPlaces() {
    const std::string& sources = WindowsSources();
    std::map<std::string, int> ids = WindowsConstants();
    // The panels have no control id.
    ids["g_headerPanel"] = -1;
    ids["g_playPanel"] = -2;
    ids["status"] = ids["kStatusLineId"];
    const std::string number = R"(\s*([wh] - \d+|\d+),)";
    // AddControl(panel, class, text, style, x, y, w, h, id) creates;
    // Place(panel, id, x, y, w, h, ...) and SetWindowPos(window, 0, x, y, w, h, ...) lay out.
    const std::regex kCalls(
        "AddControl\\(panel,\\s*\"\\w+\",\\s*[^,]+,\\s*[^,]+," + number + number + number + number +
        R"(\s*(\w+)\))" + "|Place\\(panel,\\s*(\\w+)," + number + number + number + number +
        "|SetWindowPos\\((\\w+),\\s*nullptr," + number + number + number + number);
    std::map<int, Place> places;
    for (std::sregex_iterator it(sources.begin(), sources.end(), kCalls), end; it != end; ++it) {
        const std::smatch& m = *it;
        const int first = m[1].matched ? 1 : m[6].matched ? 7 : 12;
        const std::string name = m[1].matched ? m[5] : m[6].matched ? m[6] : m[11];
        if (ids.count(name) == 0) {
            continue;  // moving a window as a whole (centring it)
        }
        places[ids[name]] = {OffsetOf(m[first]), OffsetOf(m[first + 1]), OffsetOf(m[first + 2]),
                             OffsetOf(m[first + 3])};
    }
    return places;
}

TEST(WindowLayout, TheWindowsPlayerPlacesEveryControlAsDescribed) {
    std::map<std::string, int> constants = WindowsConstants();
    EXPECT_EQ(constants["kWindowWidth"], kOuterWidth);
    EXPECT_EQ(constants["kWindowHeight"], kOuterHeight);
    // The colours it chooses: the header's and status line's brushes, the link's text.
    const std::string& sources = WindowsSources();
    static const std::regex kColour(
        R"((?:CreateSolidBrush|SetTextColor)\((?:dc, )?RGB\((\d+), (\d+), (\d+)\))");
    std::vector<std::string> colours;
    for (std::sregex_iterator it(sources.begin(), sources.end(), kColour), end; it != end; ++it) {
        colours.push_back((*it)[1].str() + "," + (*it)[2].str() + "," + (*it)[3].str());
    }
    for (Rgb colour : {kHeaderColour, kLinkColour, kStatusColour}) {
        const std::string text = std::to_string(colour.red) + "," + std::to_string(colour.green) +
                                 "," + std::to_string(colour.blue);
        EXPECT_NE(std::find(colours.begin(), colours.end(), text), colours.end()) << text;
    }
    const std::map<int, Place> places = WindowsPlaces();
    for (const WindowControl* control : kWindowControls) {
        const int id = control == &kHeaderPanel ? -1 : control == &kPlayPanel ? -2 : control->id;
        ASSERT_EQ(places.count(id), 1u) << control->name;
        const Place& place = places.at(id);
        EXPECT_TRUE(place.x == control->x && place.y == control->y && place.w == control->w &&
                    place.h == control->h)
            << control->name;
    }
}

TEST(WindowLayout, PlacesAreResolvedInTheirPanels) {
    const struct {
        const WindowControl& control;
        WindowRect inWindow;
    } kCases[] = {
        {kPlayPanel, {5, 50, 653, 547}},   {kStatusLine, {519, 599, 140, 15}},
        {kLinkText, {523, 3, 115, 18}},    {kExplanationText, {116, 22, 327, 28}},
        {kAnswerBox, {176, 541, 230, 20}}, {kPictureChooser, {176, 566, 230, 150}},
    };
    for (const auto& c : kCases) {
        const WindowRect at = PlaceInWindow(c.control);
        EXPECT_TRUE(at.x == c.inWindow.x && at.y == c.inWindow.y && at.w == c.inWindow.w &&
                    at.h == c.inWindow.h)
            << c.control.name << " at " << at.x << ", " << at.y << " " << at.w << " x " << at.h;
    }
}

}  // namespace
}  // namespace brivel
