// The application object: builds the hidden main window whose set-up starts
// the update run.
#pragma once

#include "framework/application.h"

namespace app {

class TalCheck : public fw::TApplication {
public:
    TalCheck();

protected:
    void InitMainWindow() override;
};

}  // namespace app
