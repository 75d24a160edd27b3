#include "deploy/task/task_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "release_version.h"

namespace {

using deploy::TaskCommand;

enum class Printed { kNothing, kUsageOut, kUsageErr, kVersionOut };

struct CommandCase {
    const char* name;
    std::vector<std::string> args;
    TaskCommand command;
    int exit_code;
    Printed printed;
};

const CommandCase kCommandCases[] = {
    {"register", {"register"}, TaskCommand::kRegister, 0, Printed::kNothing},
    {"remove", {"remove"}, TaskCommand::kRemove, 0, Printed::kNothing},
    {"print", {"print"}, TaskCommand::kPrint, 0, Printed::kNothing},
    {"no_arguments", {}, TaskCommand::kNone, 2, Printed::kUsageErr},
    {"help", {"--help"}, TaskCommand::kNone, 0, Printed::kUsageOut},
    {"short_help", {"-h"}, TaskCommand::kNone, 0, Printed::kUsageOut},
    {"help_after_command", {"register", "--help"}, TaskCommand::kNone, 0, Printed::kUsageOut},
    {"version", {"--version"}, TaskCommand::kNone, 0, Printed::kVersionOut},
    {"unknown_command", {"install"}, TaskCommand::kNone, 2, Printed::kUsageErr},
    {"upper_case_command", {"REGISTER"}, TaskCommand::kNone, 2, Printed::kUsageErr},
    {"argument_after_command", {"print", "C:\\Station"}, TaskCommand::kNone, 2, Printed::kUsageErr},
    {"two_commands", {"register", "remove"}, TaskCommand::kNone, 2, Printed::kUsageErr},
    {"empty_argument", {""}, TaskCommand::kNone, 2, Printed::kUsageErr},
    {"unknown_option", {"--force", "register"}, TaskCommand::kNone, 2, Printed::kUsageErr},
};

bool IsUsage(const std::string& text) {
    return text.find("Usage:") != std::string::npos && text.find("register") != std::string::npos &&
           text.find("remove") != std::string::npos && text.find("print") != std::string::npos &&
           text.find("Exit codes") != std::string::npos;
}

class ParseTaskCommandLine : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ParseTaskCommandLine, RunsOneCommandOrSaysHow) {
    const CommandCase& c = GetParam();
    std::ostringstream out, err;
    const deploy::TaskCommandLine line = deploy::ParseTaskCommandLine(c.args, out, err);
    EXPECT_EQ(line.command, c.command);
    EXPECT_EQ(line.exit_code, c.exit_code);
    switch (c.printed) {
        case Printed::kNothing:
            EXPECT_EQ(out.str() + err.str(), "");
            break;
        case Printed::kUsageOut:
            EXPECT_TRUE(IsUsage(out.str())) << out.str();
            EXPECT_EQ(err.str(), "");
            break;
        case Printed::kUsageErr:
            EXPECT_TRUE(IsUsage(err.str())) << err.str();
            EXPECT_EQ(out.str(), "");
            break;
        case Printed::kVersionOut:
            EXPECT_EQ(out.str(), TALCHECK_RELEASE_VERSION "\n");
            EXPECT_EQ(err.str(), "");
            break;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ParseTaskCommandLine, ::testing::ValuesIn(kCommandCases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
