// The program's world is whole as it is made: every service set, usable in
// any order, and a world that cannot be made still ends its run with "END".
#include <gtest/gtest.h>

#include <new>
#include <string>
#include <vector>

#include "app/run_world.h"

namespace {

TEST(RunWorld, EveryServiceIsReadyInAnyOrder) {
    app::RunStart start = app::MakeRunStart({}, nullptr);
    const update::UpdateServices& s = start.services;
    EXPECT_TRUE(s.readFileVersion && s.fetchListing && s.download && s.checkPackage &&
                s.keepsPart && s.keepOnlyParts && s.recover && s.install);
    // Asked before any download: the test program has no keys, so it passes
    // without a request.
    plat::File none;
    EXPECT_TRUE(s.checkPackage("http://127.0.0.1:9/", "5.10.0023.zip", "", none).ok());
}

TEST(RunWorld, AWorldThatCannotBeMadeStillEndsTheRun) {
    std::vector<std::string> log;
    app::RunUpdateGuarded(
        [&log](const vocab::LogEvent& e) { log.push_back(vocab::LogLineText(e)); },
        []() -> app::RunStart { throw std::bad_alloc(); });
    EXPECT_EQ(log, std::vector<std::string>{"END"});
}

}  // namespace
