// The wizard's rules without windows: page order, button states, exit confirmation, the About
// item, the frame's growth and the log's full-width lines.
#include <gtest/gtest.h>

#include <vector>

#include "ui/WizardRules.h"

namespace sv::ui {
namespace {

TEST(TargetPage, QuickInstallationSkipsFolderAndShortcutPagesInTheDirectionOfTravel) {
    struct Case {
        int index, current;
        bool custom;
        int target;
    };
    const Case cases[] = {
        {2, 1, false, 4}, {3, 4, false, 1}, {1, 0, false, 1}, {5, 4, false, 5}, {0, -1, false, 0},
        {2, 1, true, 2},  {3, 4, true, 3},  {4, 4, false, 4}, {2, 2, false, 2},  // a refresh stays
    };
    for (const Case& c : cases)
        EXPECT_EQ(TargetPage(c.index, c.current, c.custom), c.target)
            << c.index << " from " << c.current << (c.custom ? " advanced" : " quick");
}

TEST(ButtonsFor, FollowTheFramesTable) {
    struct Case {
        int page;
        bool succeeded;
        ButtonStates want;
    };
    const Case cases[] = {
        {kStartPage, false, {false, true, false, false, false}},
        {kModePage, false, {true, true, false, false, false}},
        {kPathPage, false, {true, true, false, false, false}},
        {kShortcutPage, false, {true, true, false, false, false}},
        {kInstallPage, false, {true, true, true, false, false}},
        {kInstallPage, true, {false, true, false, true, false}},
        {kEndPage, true, {true, false, false, true, true}},
    };
    for (const Case& c : cases) {
        const ButtonStates got = ButtonsFor(c.page, c.succeeded);
        SCOPED_TRACE(::testing::Message() << "page " << c.page << (c.succeeded ? " after success" : ""));
        EXPECT_EQ(got.backEnabled, c.want.backEnabled);
        EXPECT_EQ(got.nextEnabled, c.want.nextEnabled);
        EXPECT_EQ(got.nextIsInstall, c.want.nextIsInstall);
        EXPECT_EQ(got.exitIsExit, c.want.exitIsExit);
        EXPECT_EQ(got.exitIsDefault, c.want.exitIsDefault);
    }
}

TEST(ExitNeedsConfirmation, UnlessNothingWouldBeLost) {
    struct Case {
        bool succeeded;
        InstallMode mode;
        int page;
        bool asks;
    };
    const Case cases[] = {
        {false, InstallMode::FreshInstall, 0, true},   {false, InstallMode::FreshInstall, 4, true},
        {false, InstallMode::Update, 0, true},         {false, InstallMode::SameVersion, 0, false},
        {false, InstallMode::SameVersion, 1, true},    {false, InstallMode::NewerInstalled, 0, false},
        {true, InstallMode::FreshInstall, 5, false},   {true, InstallMode::SameVersion, 4, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExitNeedsConfirmation(c.succeeded, c.mode, c.page), c.asks)
            << static_cast<int>(c.mode) << " page " << c.page << (c.succeeded ? " succeeded" : "");
}

TEST(AboutItemText, HasAnAcceleratorLeftToRightAndLeadingDotsRightToLeft) {
    EXPECT_EQ(AboutItemText(L"About 'Installer'", false), L"&About 'Installer'...");
    EXPECT_EQ(AboutItemText(L"About 'Installer'", true), L"...About 'Installer'");
}

TEST(GrowthFor, UnitesTheAreaWithEveryPage) {
    const Box area{100, 0, 400, 180};
    const std::vector<PageSize> smaller = {{250, 100}, {300, 180}};
    Growth g = GrowthFor(area, smaller);
    EXPECT_EQ(g.dx, 0);
    EXPECT_EQ(g.dy, 0);
    EXPECT_EQ(g.bounds.right, 400);

    const std::vector<PageSize> larger = {{250, 100}, {420, 150}, {300, 200}};
    g = GrowthFor(area, larger);
    EXPECT_EQ(g.dx, 120);
    EXPECT_EQ(g.dy, 20);
    EXPECT_EQ(g.bounds.left, 100);
    EXPECT_EQ(g.bounds.Width(), 420);
    EXPECT_EQ(g.bounds.Height(), 200);
}

}  // namespace
}  // namespace sv::ui
