#include "app/dialog/control_layout.h"

#include <gtest/gtest.h>

#include "app/dialog/startup_hooks.h"
#include "platform/app_context.h"
#include "util/folders.h"

namespace vermark {
namespace {

TEST(ControlLayout, PaneAndEditBoxKeepTheirTopsAndOnePixelFromTheClientEdges) {
    const PixelRect client{0, 0, 400, 300};
    // The pane keeps only its top; the edit box all but its right edge.
    EXPECT_EQ(
        fit_edges_to_client({0, 58, 213, 286}, client, kControlMargin, true, false, false, false),
        (PixelRect{1, 58, 399, 299}));
    EXPECT_EQ(
        fit_edges_to_client({2, 32, 240, 56}, client, kControlMargin, true, true, true, false),
        (PixelRect{2, 32, 399, 56}));
    // A client that does not start at the origin moves the edges with it.
    EXPECT_EQ(
        fit_edges_to_client({0, 0, 10, 10}, {20, 30, 120, 130}, 1, false, false, false, false),
        (PixelRect{21, 31, 119, 129}));
}

TEST(ControlLayout, TextRectangleIsTheClientInsetAndEmptiesWhenTooSmall) {
    EXPECT_EQ(painted_text_rect({0, 0, 400, 300}), (PixelRect{5, 5, 393, 280}));
    // Smaller than the insets: nothing to paint into, never a flipped rectangle taken as text.
    const PixelRect tiny = painted_text_rect({0, 0, 10, 20});
    EXPECT_LE(tiny.width(), 0);
    EXPECT_LE(tiny.height(), 0);
}

TEST(SettingsProfile, InstalledOnceAndKeepsWhatTheApplicationObjectHad) {
    platform::ScopedApplicationObject scope(platform::ApplicationObject{u"r_Utile", u"other.ini"});
    install_settings_profile();
    ASSERT_NE(platform::application_object(), nullptr);
    EXPECT_EQ(platform::application_object()->profile_name, ini_path());
    // The registry key is the application's own choice, not the profile's.
    EXPECT_EQ(platform::application_object()->registry_key, u"r_Utile");
    install_settings_profile();
    EXPECT_EQ(platform::application_object()->profile_name, ini_path());
}

}  // namespace
}  // namespace vermark
