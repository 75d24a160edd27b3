// The command line of talcheck-task: which command to run, or the usage,
// help or version text and the exit code to end with instead. Shared by
// both platforms so that it is tested on both; only the Windows build has
// the program.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace deploy {

enum class TaskCommand { kNone, kRegister, kRemove, kPrint };

// Exit code for a command line that names no command or a wrong one.
inline constexpr int kTaskExitUsage = 2;

struct TaskCommandLine {
    TaskCommand command = TaskCommand::kNone;  // kNone: end with exit_code
    int exit_code = 0;
};

// Reads the arguments after the program name. Exactly one command runs, with
// nothing after it. "--help" or "-h" (also after a command) writes the usage
// to out and ends with 0; "--version" writes the release version to out and
// ends with 0. No command, an unknown one or anything extra writes what is
// wrong followed by the usage to err and ends with kTaskExitUsage.
TaskCommandLine ParseTaskCommandLine(const std::vector<std::string>& args, std::ostream& out,
                                     std::ostream& err);

}  // namespace deploy
