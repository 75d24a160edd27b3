#include "app/talcheck.h"

#include "app/talcheck_window.h"
#include "res/resource.h"

namespace app {

namespace {

constexpr int kWidth = 350;
constexpr int kHeight = 250;
// WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX: no WS_VISIBLE, no
// thick frame, no maximise box.
constexpr std::uint32_t kStyle = 0x80CA0000u;

}  // namespace

TalCheck::TalCheck() : TApplication("", GlobalModule(), nullptr) {}

void TalCheck::InitMainWindow() {
    fw::TApplication* app = fw::GetApplicationObject();
    char caption[512] = {};
    app->LoadString(IDS_CAPTION, caption, sizeof caption);

    auto* window = new TalCheckWindow(caption);
    SetMainWindow(window);
    window->Attr.X = fw::ScreenWidth() / 2 - kWidth / 2;
    window->Attr.Y = fw::ScreenHeight() / 2 - kHeight / 2;
    window->Attr.W = kWidth;
    window->Attr.H = kHeight;
    window->Attr.Style = kStyle;
    window->SetIcon(app, IDI_TALCHECK);
    window->SetIconSm(app, IDI_TALCHECK);
    // Created but never shown: only a second copy's minimise shows it.
    nCmdShow = fw::kSwHide;
}

}  // namespace app
