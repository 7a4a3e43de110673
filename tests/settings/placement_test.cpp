#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/app_context.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/wide.h"
#include "settings/profile_cache.h"
#include "settings/registry_store.h"
#include "settings/window_placement.h"
#include "support/sandbox.h"

namespace vermark {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FakeWindow : public PlacementWindow {
  public:
    bool has_handle() const override { return true; }
    std::u16string class_name() const override { return u"CDialog"; }
    int dpi() const override { return dpi_; }
    Rect window_rect() const override { return rect_; }
    bool is_iconic() const override { return iconic_; }
    WindowPlacement placement() const override { return placement_; }
    void move(const Rect& rect) override {
        rect_ = rect;
        ++moves_;
    }
    void set_placement(const WindowPlacement& placement) override {
        placement_ = placement;
        ++moves_;
    }

    int dpi_ = 96;
    Rect rect_{100, 100, 400, 300};
    bool iconic_ = false;
    WindowPlacement placement_;
    int moves_ = 0;
};

// Monitors given by their rectangles and work areas; the first is the primary one.
class FakeScreens : public Screens {
  public:
    struct Monitor {
        Rect monitor;
        Rect work;
    };
    explicit FakeScreens(std::vector<Monitor> monitors) : monitors_(std::move(monitors)) {}

    int count() const override { return static_cast<int>(monitors_.size()); }
    Point primary_size() const override {
        return {monitors_[0].monitor.right - monitors_[0].monitor.left,
                monitors_[0].monitor.bottom - monitors_[0].monitor.top};
    }
    Rect primary_work_area() const override { return monitors_[0].work; }
    std::optional<MonitorInfo> nearest_monitor(Point p) const override {
        std::size_t best = 0;
        long best_distance = -1;
        for (std::size_t i = 0; i < monitors_.size(); ++i) {
            const Rect& m = monitors_[i].monitor;
            const long dx = p.x < m.left ? m.left - p.x : p.x >= m.right ? p.x - m.right + 1 : 0;
            const long dy = p.y < m.top ? m.top - p.y : p.y >= m.bottom ? p.y - m.bottom + 1 : 0;
            if (best_distance < 0 || dx * dx + dy * dy < best_distance) {
                best = i;
                best_distance = dx * dx + dy * dy;
            }
        }
        return MonitorInfo{monitors_[best].monitor, monitors_[best].work, best == 0};
    }
    int desktop_dpi() const override { return 96; }
    Point border_size() const override { return {1, 1}; }

    std::vector<Monitor> monitors_;
};

const FakeScreens::Monitor kPrimary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};
const FakeScreens::Monitor kRightHand{{1920, 0, 3200, 1024}, {1920, 0, 3200, 1024}};

class PlacementTest : public ::testing::Test {
  protected:
    void SetUp() override {
        reset_profile_process_state();
        platform::use_registry_file(testing::fresh_folder("placement-reg") /
                                    "HKEY_CURRENT_USER.reg");
        ini_ = platform::from_utf8((testing::fresh_folder("placement") / "Vermark.ini").string());
        // As in the program: the application names the settings file and no registry key.
        application_.emplace(platform::ApplicationObject{std::nullopt, ini_});
    }
    void TearDown() override {
        application_.reset();
        platform::use_registry_file({});
    }

    std::u16string ini_value(std::u16string_view section, std::u16string_view key) {
        char16_t buffer[256];
        const auto n =
            platform::GetPrivateProfileStringW(section, key, u"<none>", buffer, 256, ini_);
        return std::u16string(buffer, n);
    }

    std::u16string ini_;
    std::optional<platform::ScopedApplicationObject> application_;
    FakeScreens one_screen_{{kPrimary}};
    FakeScreens two_screens_{{kPrimary, kRightHand}};
};

TEST(FitRect, KeepsInsideMovesAndCuts) {
    const Rect area{0, 0, 1000, 800};
    EXPECT_EQ(fit_rect({10, 20, 300, 400}, area), (Rect{10, 20, 300, 400}));
    EXPECT_EQ(fit_rect({-50, -10, 250, 90}, area), (Rect{0, 0, 300, 100}));
    EXPECT_EQ(fit_rect({900, 700, 1200, 900}, area), (Rect{700, 600, 1000, 800}));
    EXPECT_EQ(fit_rect({-100, 100, 1500, 200}, area), (Rect{0, 100, 1000, 200}));
    EXPECT_EQ(fit_rect({500, -900, 2600, 1900}, area), (Rect{0, 0, 1000, 800}));
    // An area away from the origin (a monitor left of the primary one).
    EXPECT_EQ(fit_rect({10, 10, 110, 60}, {-1280, 0, 0, 1024}), (Rect{-100, 10, 0, 60}));
    // Values far out of range do not overflow.
    EXPECT_EQ(fit_rect({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, area), area);
}

TEST(MonitorAreas, SingleScreenAnswersForEveryPoint) {
    FakeScreens one({kPrimary});
    Rect monitor, work;
    EXPECT_EQ(monitor_areas(one, {5000, 5000}, &monitor, &work), 1u);
    EXPECT_EQ(monitor, (Rect{0, 0, 1920, 1080}));
    EXPECT_EQ(work, kPrimary.work);

    FakeScreens two({kPrimary, kRightHand});
    EXPECT_EQ(monitor_areas(two, {2000, 10}, &monitor, &work), 0u);
    EXPECT_EQ(monitor, kRightHand.monitor);
    EXPECT_EQ(work, kRightHand.work);
    EXPECT_FALSE(is_primary_monitor(two, {2000, 10}));
    EXPECT_TRUE(is_primary_monitor(two, {-10, 10}));

    // A system that cannot count or locate its monitors is treated as having one.
    struct Unknown : FakeScreens {
        using FakeScreens::FakeScreens;
        int count() const override { return 0; }
    } unknown({kPrimary, kRightHand});
    EXPECT_EQ(monitor_count(unknown), 1);
    EXPECT_EQ(monitor_areas(unknown, {2000, 10}, nullptr, &work), 1u);
    EXPECT_EQ(work, kPrimary.work);
}

TEST_F(PlacementTest, DialogReopensWhereItWasClosed) {
    {
        FakeWindow first;
        first.rect_ = {10, 20, 300, 400};
        ProfileStore store(u"");
        EXPECT_TRUE(
            save_dialog_placement(store, &first, u"CVermarkDlg", std::nullopt, one_screen_));
    }
    EXPECT_EQ(ini_value(u"Position\\Dialog", u"Position_CVermarkDlg_CDialog_LTRB"),
              u"10 20 300 400");
    EXPECT_EQ(ini_value(u"Position\\Dialog", u"Position_CVermarkDlg_CDialog"),
              u"000000010 000000020 000000300 000000400");
    EXPECT_EQ(ini_value(u"Position", u"DPI_"), u"96");

    FakeWindow second;
    ProfileStore store(u"");
    EXPECT_TRUE(restore_dialog_placement(store, &second, u"CVermarkDlg", one_screen_));
    EXPECT_EQ(second.rect_, (Rect{10, 20, 300, 400}));
}

TEST_F(PlacementTest, NothingSavedLeavesTheDialogAlone) {
    FakeWindow window;
    ProfileStore store(u"");
    EXPECT_TRUE(restore_dialog_placement(store, &window, u"CVermarkDlg", one_screen_));
    EXPECT_EQ(window.moves_, 0);
}

TEST_F(PlacementTest, MinimisedDialogKeepsItsOldRectangle) {
    FakeWindow window;
    window.rect_ = {50, 60, 350, 260};
    ProfileStore first(u"");
    ASSERT_TRUE(save_dialog_placement(first, &window, u"CVermarkDlg", std::nullopt, one_screen_));

    window.iconic_ = true;
    window.rect_ = {-32000, -32000, -31840, -31970};
    window.dpi_ = 120;
    ProfileStore second(u"");
    EXPECT_FALSE(save_dialog_placement(second, &window, u"CVermarkDlg", std::nullopt, one_screen_));
    EXPECT_EQ(ini_value(u"Position", u"DPI_"), u"120");  // the DPI is written all the same

    FakeWindow next_run;
    next_run.dpi_ = 120;
    ProfileStore third(u"");
    restore_dialog_placement(third, &next_run, u"CVermarkDlg", one_screen_);
    EXPECT_EQ(next_run.rect_, (Rect{50, 60, 350, 260}));
}

TEST_F(PlacementTest, DialogFromARemovedMonitorComesBackOnThePrimary) {
    FakeWindow window;
    ProfileStore store(u"");
    // Saved at the right edge of a monitor that is no longer there.
    save_dialog_placement(store, &window, u"CVermarkDlg", Rect{4800, 100, 5200, 400}, one_screen_);

    restore_dialog_placement(store, &window, u"CVermarkDlg", one_screen_);
    EXPECT_EQ(window.rect_, (Rect{1520, 100, 1920, 400}));

    // With two monitors left, the nearest work area is shrunk by a pixel on every side.
    save_dialog_placement(store, &window, u"CVermarkDlg", Rect{-900, -50, 1100, 1500},
                          two_screens_);
    restore_dialog_placement(store, &window, u"CVermarkDlg", two_screens_);
    EXPECT_EQ(window.rect_, (Rect{1, 1, 1919, 1039}));
}

TEST_F(PlacementTest, FrameWithoutSavedRectangleCoversThePrimaryWorkArea) {
    FakeScreens offset({FakeScreens::Monitor{{0, 0, 1920, 1080}, {0, 40, 1920, 1080}}});
    FakeWindow frame;
    ProfileStore store(u"");
    EXPECT_TRUE(restore_frame_placement(store, &frame, offset));
    EXPECT_EQ(frame.placement_.show_command, SW_SHOWNORMAL);
    EXPECT_EQ(frame.placement_.flags, 0u);
    EXPECT_EQ(frame.placement_.normal_rect, (Rect{0, 0, 1920, 1040}));
    EXPECT_EQ(frame.placement_.max_position, (Point{-1, -1}));
}

TEST_F(PlacementTest, FrameStateSurvivesButMinimisedReopensRestored) {
    FakeWindow frame;
    frame.placement_.show_command = SW_SHOWMAXIMIZED;
    frame.placement_.normal_rect = {100, 50, 900, 650};
    ProfileStore store(u"");
    ASSERT_TRUE(save_frame_placement(store, &frame, std::nullopt, one_screen_));
    EXPECT_EQ(ini_value(u"Position\\MainFrame", u"Maximized"), u"1");
    EXPECT_EQ(ini_value(u"Position\\MainFrame", u"Iconic"), u"0");

    FakeWindow reopened;
    restore_frame_placement(store, &reopened, one_screen_);
    EXPECT_EQ(reopened.placement_.show_command, SW_SHOWMAXIMIZED);
    EXPECT_EQ(reopened.placement_.flags, WPF_RESTORETOMAXIMIZED);
    EXPECT_EQ(reopened.placement_.normal_rect, (Rect{100, 50, 900, 650}));

    frame.placement_.show_command = SW_SHOWMINIMIZED;
    frame.placement_.normal_rect = {0, 0, 10, 10};
    EXPECT_FALSE(save_frame_placement(store, &frame, std::nullopt, one_screen_));
    EXPECT_EQ(ini_value(u"Position\\MainFrame", u"Iconic"), u"1");
    restore_frame_placement(store, &reopened, one_screen_);
    EXPECT_EQ(reopened.placement_.show_command, SW_RESTORE);
    EXPECT_EQ(reopened.placement_.normal_rect, (Rect{100, 50, 900, 650}));
}

class LayoutKeysTest : public PlacementTest {
  protected:
    void add_layout_keys(const std::u16string& base) {
        for (const char16_t* sub :
             {u"\\Position\\Pane\\Inner", u"\\Bar\\Tools", u"\\WindowLayout\\Main\\Split"})
            registry_.write_int(platform::HKEY_CURRENT_USER, base + sub, u"v", 1);
        registry_.write_int(platform::HKEY_CURRENT_USER, base + u"\\Position\\Pane", u"w", 2);
    }
    std::vector<std::u16string> subkeys(const std::u16string& path) {
        std::vector<std::u16string> list;
        registry_.enum_keys(platform::HKEY_CURRENT_USER, path, list);
        return list;
    }
    void save_at_dpi(int dpi) {
        FakeWindow window;
        window.dpi_ = dpi;
        window.rect_ = {10, 10, 210, 110};
        ProfileStore store(u"");
        save_dialog_placement(store, &window, u"CVermarkDlg", std::nullopt, one_screen_);
    }
    RegistryStore registry_;
};

TEST_F(LayoutKeysTest, ADpiChangeForgetsTheRegistryLayouts) {
    application_.reset();
    application_.emplace(platform::ApplicationObject{u"Maker", u"Vermark"});
    const std::u16string base = u"Software\\Maker\\Vermark";
    add_layout_keys(base);
    save_at_dpi(96);

    FakeWindow window;
    window.dpi_ = 144;
    EXPECT_TRUE(forget_layouts_on_dpi_change(&window, one_screen_));
    EXPECT_THAT(subkeys(base + u"\\Position"), IsEmpty());
    EXPECT_THAT(subkeys(base + u"\\Bar"), IsEmpty());
    EXPECT_THAT(subkeys(base + u"\\WindowLayout"), IsEmpty());
    // The top keys stay, and the new DPI is left for the next save to write.
    EXPECT_EQ(registry_.get_int(platform::HKEY_CURRENT_USER, base + u"\\Position", u"DPI_", 0), 96);
}

TEST_F(LayoutKeysTest, TheIniProgramKeepsItsRectanglesAcrossADpiChange) {
    // Keys the INI mode's layout paths could be confused with stay untouched.
    add_layout_keys(u"Software");
    add_layout_keys(u"Software\\" + ini_);
    save_at_dpi(96);

    FakeWindow window;
    window.dpi_ = 144;
    ProfileStore store(u"");
    restore_dialog_placement(store, &window, u"CVermarkDlg", one_screen_);
    EXPECT_EQ(window.rect_, (Rect{10, 10, 210, 110}));
    EXPECT_THAT(subkeys(u"Software\\Position"), ElementsAre(u"Pane"));
    EXPECT_THAT(subkeys(u"Software\\" + ini_ + u"\\Position"), ElementsAre(u"Pane"));
}

TEST_F(LayoutKeysTest, SubkeysAreCollectedParentsFirst) {
    add_layout_keys(u"App");
    EXPECT_THAT(collect_subkeys(platform::HKEY_CURRENT_USER, u"App"),
                ElementsAre(u"App\\Bar", u"App\\Position", u"App\\WindowLayout", u"App\\Bar\\Tools",
                            u"App\\Position\\Pane", u"App\\WindowLayout\\Main",
                            u"App\\Position\\Pane\\Inner", u"App\\WindowLayout\\Main\\Split"));
    EXPECT_THAT(collect_subkeys(platform::HKEY_CURRENT_USER, u"Nowhere"), IsEmpty());
}

}  // namespace
}  // namespace vermark
