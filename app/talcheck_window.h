// The main window. It is never shown; it is the target of the start and
// close messages, and its class name is what a second copy looks for.
// Posting UM_START_UPDATE from SetupWindow starts the update run once the
// message loop runs; the run posts WM_CLOSE when it ends.
#pragma once

#include <cstdint>

#include "framework/window.h"

namespace app {

constexpr unsigned UM_START_UPDATE = 5010;
constexpr const char* kTalCheckClass = "TALCHECK_CLASS";

class TalCheckWindow : public fw::TFrameWindow {
public:
    explicit TalCheckWindow(const char* caption);

    const char* GetClassName() override;
    void SetupWindow() override;
    bool Find(TEventInfo& info) override;

    // The whole update run; always 1.
    int32_t EvStartUpdate(fw::TParam1, fw::TParam2);

    // The computer's name, up to 13 characters; empty when it is longer.
    char ComputerName[15] = {};

private:
    static const fw::TResponseTableEntry ResponseTable[];
};

}  // namespace app
