#include "app/window_layout.h"

#include <gtest/gtest.h>

namespace brivel {
namespace {

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
