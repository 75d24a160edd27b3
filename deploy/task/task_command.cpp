#include "deploy/task/task_command.h"

#include <CLI/CLI.hpp>

#include "release_version.h"

namespace deploy {
namespace {

struct CommandEntry {
    const char* name;
    const char* help;
    TaskCommand command;
};

constexpr CommandEntry kCommands[] = {
    {"register",
     "fill the station folder into the task definition and register it as "
     "\\TalCheck, replacing one there",
     TaskCommand::kRegister},
    {"remove", "delete the task \\TalCheck", TaskCommand::kRemove},
    {"print", "write the filled-in task definition to standard output", TaskCommand::kPrint},
};

// Exactly one command, and the version flag.
void AddCommands(CLI::App& app) {
    app.require_subcommand(1);
    app.set_version_flag("--version", TALCHECK_RELEASE_VERSION, "print the release version");
    for (const CommandEntry& entry : kCommands) app.add_subcommand(entry.name, entry.help);
}

}  // namespace

TaskCommandLine ParseTaskCommandLine(const std::vector<std::string>& args, std::ostream& out,
                                     std::ostream& err) {
    CLI::App app{
        "Registers the scheduled task \\TalCheck that runs TalCheck on this station, or removes "
        "it.\nExit codes: 0 done, 2 bad command line or a folder that cannot be read, 3 the "
        "definition cannot be written, otherwise schtasks.exe's.",
        "talcheck-task"};
    AddCommands(app);

    // Taken before parsing: afterwards CLI11 gives the chosen command's help.
    const std::string usage = app.help();
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        // The whole program's usage, also for "register --help": the
        // commands alone do not say what the exit codes mean.
        out << usage;
        return {TaskCommand::kNone, 0};
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) return {TaskCommand::kNone, app.exit(e, out, err)};
        // The usage, not a hint to ask for it: an administrator who runs the
        // program bare sees at once what it does.
        err << "talcheck-task: " << e.what() << "\n\n" << usage;
        return {TaskCommand::kNone, kTaskExitUsage};
    }
    for (const CommandEntry& entry : kCommands) {
        if (app.got_subcommand(entry.name)) return {entry.command, 0};
    }
    return {TaskCommand::kNone, kTaskExitUsage};
}

}  // namespace deploy
