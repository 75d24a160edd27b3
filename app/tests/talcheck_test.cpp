#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/talcheck.h"
#include "app/talcheck_window.h"
#include "framework/window.h"

namespace app {
namespace {

// Opens InitMainWindow to the test; nothing is created or run.
class InspectedTalCheck : public TalCheck {
public:
    using TalCheck::InitMainWindow;
};

TEST(TalCheck, MainWindowIsACentredHiddenPopupWithTheCaptionAndIcons) {
    InspectedTalCheck app;
    app.InitMainWindow();
    auto* window = dynamic_cast<TalCheckWindow*>(app.GetMainWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetCaption(), "Checking for Updates");
    EXPECT_EQ(window->Attr.Style, 0x80CA0000u);
    EXPECT_EQ(window->Attr.X, fw::ScreenWidth() / 2 - 175);
    EXPECT_EQ(window->Attr.Y, fw::ScreenHeight() / 2 - 125);
    EXPECT_EQ(window->Attr.W, 350);
    EXPECT_EQ(window->Attr.H, 250);
    EXPECT_EQ(app.nCmdShow, fw::kSwHide);
    EXPECT_EQ(window->GetHandle(), nullptr);  // created only by Run
}

TEST(TalCheckWindow, ClassNameComputerNameAndResponseTable) {
    TalCheckWindow window("caption");
    EXPECT_STREQ(window.GetClassName(), "TALCHECK_CLASS");
    // At most 13 characters, zero-filled behind the name.
    std::size_t n = strnlen(window.ComputerName, sizeof window.ComputerName);
    EXPECT_LE(n, 13u);
    for (std::size_t i = n; i < sizeof window.ComputerName; ++i)
        EXPECT_EQ(window.ComputerName[i], 0);
    fw::TEventHandler::TEventInfo start(UM_START_UPDATE);
    EXPECT_TRUE(window.Find(start));
    fw::TEventHandler::TEventInfo other(UM_START_UPDATE + 1);
    EXPECT_FALSE(window.Find(other));
    // The constructor clears system menu, thick frame and boxes.
    EXPECT_EQ(window.Attr.Style & 0x000F0000u, 0u);
}

}  // namespace
}  // namespace app
