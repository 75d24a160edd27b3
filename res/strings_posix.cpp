// The string table of the POSIX build: the same entries as talcheck.rc's
// STRINGTABLE, registered with the framework at start-up.
#include "framework/module.h"
#include "res/resource.h"

namespace {

const fw::TStringResource kStrings[] = {
    {IDS_CAPTION, IDS_CAPTION_TEXT},
    {0, nullptr},
};

const bool kRegistered = fw::RegisterStringResources(kStrings);

}  // namespace
