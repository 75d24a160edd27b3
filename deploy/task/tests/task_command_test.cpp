#include "deploy/task/task_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "release_version.h"

namespace {

using deploy::TaskCommand;

// "Exit codes" is in the whole program's usage only, not in a command's help.
struct CommandCase {
    const char* name;
    std::vector<std::string> args;
    TaskCommand command;
    int exit_code;
    const char* out;  // a text out must hold; nullptr: nothing written
    const char* err;
};

const CommandCase kCommandCases[] = {
    {"register", {"register"}, TaskCommand::kRegister, 0, nullptr, nullptr},
    {"print", {"print"}, TaskCommand::kPrint, 0, nullptr, nullptr},
    {"no_arguments", {}, TaskCommand::kNone, 2, nullptr, "Exit codes"},
    {"help", {"--help"}, TaskCommand::kNone, 0, "Exit codes", nullptr},
    {"help_after_command", {"register", "--help"}, TaskCommand::kNone, 0, "Exit codes", nullptr},
    {"version", {"--version"}, TaskCommand::kNone, 0, TALCHECK_RELEASE_VERSION "\n", nullptr},
    {"unknown_command", {"install"}, TaskCommand::kNone, 2, nullptr, "Exit codes"},
    {"argument_after_command", {"print", "C:\\"}, TaskCommand::kNone, 2, nullptr, "Exit codes"},
    {"two_commands", {"register", "remove"}, TaskCommand::kNone, 2, nullptr, "Exit codes"},
};

void ExpectHolds(const std::string& text, const char* want) {
    if (want == nullptr) {
        EXPECT_EQ(text, "");
    } else {
        EXPECT_NE(text.find(want), std::string::npos) << text;
    }
}

class ParseTaskCommandLine : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ParseTaskCommandLine, RunsOneCommandOrPrintsUsage) {
    const CommandCase& c = GetParam();
    std::ostringstream out, err;
    const deploy::TaskCommandLine line = deploy::ParseTaskCommandLine(c.args, out, err);
    EXPECT_EQ(line.command, c.command);
    EXPECT_EQ(line.exit_code, c.exit_code);
    ExpectHolds(out.str(), c.out);
    ExpectHolds(err.str(), c.err);
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseTaskCommandLine, ::testing::ValuesIn(kCommandCases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
