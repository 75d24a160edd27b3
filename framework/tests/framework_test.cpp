#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/application.h"
#include "framework/native.h"
#include "framework/window.h"

namespace {

constexpr unsigned UM_FIRST = fw::kWmUser + 1;
constexpr unsigned UM_SECOND = fw::kWmUser + 2;
constexpr unsigned UM_BASE_ONLY = fw::kWmUser + 3;
constexpr const char* kClass = "TALCHECK_FRAMEWORK_TEST";

std::vector<std::string> g_events;

class BaseWindow : public fw::TFrameWindow {
public:
    using TFrameWindow::TFrameWindow;
    bool Find(TEventInfo& info) override {
        return SearchEntries(ResponseTable, info) || TFrameWindow::Find(info);
    }
    int32_t EvBaseOnly(fw::TParam1, fw::TParam2) {
        g_events.push_back("base");
        return 7;
    }
    static const fw::TResponseTableEntry ResponseTable[];
};

const fw::TResponseTableEntry BaseWindow::ResponseTable[] = {
    {UM_BASE_ONLY, &fw::I32_WPARAM_LPARAM_Dispatch<BaseWindow, &BaseWindow::EvBaseOnly>},
    {0, nullptr}};

class TestWindow : public BaseWindow {
public:
    explicit TestWindow(const char* caption) : BaseWindow(nullptr, caption) {}
    const char* GetClassName() override { return kClass; }
    void SetupWindow() override {
        BaseWindow::SetupWindow();
        g_events.push_back(GetHandle() ? "setup:created" : "setup:no-handle");
        PostMessage(UM_FIRST, 11, 22);
        PostMessage(UM_SECOND);
    }
    bool Find(TEventInfo& info) override {
        return SearchEntries(ResponseTable, info) || BaseWindow::Find(info);
    }
    int32_t EvFirst(fw::TParam1 p1, fw::TParam2 p2) {
        g_events.push_back("first:" + std::to_string(p1) + "," + std::to_string(p2));
        found = fw::FindTopLevelWindow(kClass) != nullptr;
        PostMessage(UM_BASE_ONLY);
        return 1;
    }
    int32_t EvSecond(fw::TParam1, fw::TParam2) {
        g_events.push_back("second");
        PostMessage(fw::kWmClose);
        return 1;
    }
    bool found = false;
    static const fw::TResponseTableEntry ResponseTable[];
};

const fw::TResponseTableEntry TestWindow::ResponseTable[] = {
    {UM_FIRST, &fw::I32_WPARAM_LPARAM_Dispatch<TestWindow, &TestWindow::EvFirst>},
    {UM_SECOND, &fw::I32_WPARAM_LPARAM_Dispatch<TestWindow, &TestWindow::EvSecond>},
    {0, nullptr}};

class TestApp : public fw::TApplication {
public:
    TestWindow* window = nullptr;
    bool foundDuring = false;

protected:
    void InitMainWindow() override {
        g_events.push_back("init");
        window = new TestWindow("Test caption");
        window->Attr.Style = 0x80CA0000u;
        window->Attr.W = 350;
        window->Attr.H = 250;
        SetMainWindow(window);
        nCmdShow = fw::kSwHide;
    }
};

TEST(Framework, RunDeliversPostedMessagesInOrderAndEndsWhenTheMainWindowCloses) {
    g_events.clear();
    TestApp app;
    EXPECT_EQ(fw::GetApplicationObject(), &app);
    EXPECT_EQ(app.Run(), 0);
    std::vector<std::string> expected{"init", "setup:created", "first:11,22", "second", "base"};
    EXPECT_EQ(g_events, expected);
    EXPECT_TRUE(app.window->found);
    EXPECT_EQ(app.window->GetHandle(), nullptr);
    EXPECT_EQ(app.window->GetCaption(), "Test caption");
    EXPECT_EQ(fw::FindTopLevelWindow(kClass), nullptr);
}

TEST(Framework, UnknownMessagesAreNotFound) {
    TestWindow window("x");
    fw::TEventHandler::TEventInfo info(fw::kWmUser + 99);
    EXPECT_FALSE(window.Find(info));
    fw::TEventHandler::TEventInfo base(UM_BASE_ONLY);
    ASSERT_TRUE(window.Find(base));
    g_events.clear();
    EXPECT_EQ(window.Dispatch(base, 0, 0), 7);
}

TEST(Framework, MissingStringLeavesTheBufferEmpty) {
    char buf[512] = {};
    EXPECT_EQ(fw::TApplication::GlobalModule()->LoadString(4242, buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
}

TEST(Framework, RegisteredStringsAreFound) {
    static const fw::TStringResource table[] = {{4343, "Checking"}, {0, nullptr}};
    fw::RegisterStringResources(table);
    EXPECT_STREQ(fw::FindStringResource(4343), "Checking");
}

}  // namespace
