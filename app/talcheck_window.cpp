#include "app/talcheck_window.h"

#include <cstring>

#include "app/run_world.h"
#include "platform/system.h"

namespace app {

const fw::TResponseTableEntry TalCheckWindow::ResponseTable[] = {
    {UM_START_UPDATE,
     &fw::I32_WPARAM_LPARAM_Dispatch<TalCheckWindow, &TalCheckWindow::EvStartUpdate>},
    {0, nullptr},
};

TalCheckWindow::TalCheckWindow(const char* caption)
    : TFrameWindow(nullptr, caption, nullptr, false, nullptr) {
    // No system menu, thick frame or boxes by default; InitMainWindow sets
    // the whole style.
    Attr.Style &= ~0x000F0000u;
    // Size 14: names of up to 13 characters; a longer one leaves it empty.
    if (!plat::GetComputerName(ComputerName, 14)) std::memset(ComputerName, 0, sizeof ComputerName);
}

const char* TalCheckWindow::GetClassName() { return kTalCheckClass; }

void TalCheckWindow::SetupWindow() {
    TFrameWindow::SetupWindow();
    PostMessage(UM_START_UPDATE, 0, 0);
}

bool TalCheckWindow::Find(TEventInfo& info) {
    return SearchEntries(ResponseTable, info) || TFrameWindow::Find(info);
}

int32_t TalCheckWindow::EvStartUpdate(fw::TParam1, fw::TParam2) {
    RunStationUpdate(ComputerName, GetHandle());
    PostMessage(fw::kWmClose, 0, 0);
    return 1;
}

}  // namespace app
