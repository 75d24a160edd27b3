// talcheck-task: registers the TalCheck task, or removes it. Run as SYSTEM
// by the MSI, or by an administrator:
//
//   talcheck-task register    fill the folders into the task definition and
//                             register it as \TalCheck (replacing one there)
//   talcheck-task remove      delete the task \TalCheck
//   talcheck-task print       write the filled-in definition to stdout
//
// The programs' folder is the one this program is in. The station folder is
// the one the MSI remembers (HKLM\Software\TalCheck, InstallDir), or, when
// there is none, this program's folder too: a station set up by hand with
// the programs beside frontend.exe.
//
// With no command, or with --help, it prints its usage
// (deploy/task/task_command.h). Exit code 0 on success, otherwise
// schtasks.exe's, or 2 for a bad command line or a folder that cannot be
// read, 3 when the definition cannot be written.
#include <cstdio>
#include <cwchar>
#include <iostream>
#include <string>
#include <vector>

#include "deploy/task/task_command.h"
#include "deploy/task/task_definition.h"
#include "platform/scoped_handle.h"
#include "platform/win.h"

namespace {

constexpr DWORD kSchtasksTimeoutMs = 60 * 1000;
constexpr int kExitUsage = deploy::kTaskExitUsage;
constexpr int kExitWrite = 3;

struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle h) noexcept { CloseHandle(h); }
};
using ScopedKernelHandle = plat::ScopedHandle<KernelHandleTraits>;

// The text in UTF-8; empty when it is empty or cannot be converted.
std::string Utf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return std::string();
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size) - 1);
    return utf8;
}

// The folder holding this program, in UTF-8, without a final backslash.
bool ProgramFolder(std::string* out) {
    wchar_t path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    if (n == 0 || n >= MAX_PATH * 4) return false;
    wchar_t* slash = std::wcsrchr(path, L'\\');
    if (slash == nullptr) return false;
    *slash = L'\0';
    *out = Utf8(path);
    return !out->empty();
}

// Runs schtasks.exe with arguments; returns its exit code, -1 when it
// cannot be started or does not end in time.
int RunSchtasks(const std::wstring& arguments) {
    wchar_t system[MAX_PATH];
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return -1;
    std::wstring command = L"\"" + std::wstring(system) + L"\\schtasks.exe\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return -1;
    }
    ScopedKernelHandle process(info.hProcess);
    ScopedKernelHandle thread(info.hThread);
    if (WaitForSingleObject(process.get(), kSchtasksTimeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.get(), 1);
        return -1;
    }
    DWORD code = 1;
    GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

bool WriteDefinition(const std::wstring& path, const std::string& text) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr) return false;
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

// The station folder the MSI remembers, in UTF-8; false when there is none.
bool RememberedStationFolder(std::string* out) {
    wchar_t folder[MAX_PATH * 4];
    DWORD size = sizeof folder;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\TalCheck", L"InstallDir", RRF_RT_REG_SZ,
                     nullptr, folder, &size) != ERROR_SUCCESS) {
        return false;
    }
    *out = Utf8(folder);
    return !out->empty();
}

bool FilledDefinition(std::string* out) {
    std::string programs;
    if (!ProgramFolder(&programs)) return false;
    std::string station;
    if (!RememberedStationFolder(&station)) station = programs;
    return deploy::FillTaskDefinition(deploy::ShippedTaskDefinition(), programs, station, out);
}

int Print() {
    std::string definition;
    if (!FilledDefinition(&definition)) return kExitUsage;
    bool written =
        std::fwrite(definition.data(), 1, definition.size(), stdout) == definition.size();
    return std::fflush(stdout) == 0 && written ? 0 : kExitWrite;
}

int Register() {
    std::string definition;
    if (!FilledDefinition(&definition)) return kExitUsage;
    wchar_t temp_dir[MAX_PATH];
    wchar_t temp_file[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, temp_dir);
    if (n == 0 || n >= MAX_PATH || GetTempFileNameW(temp_dir, L"tct", 0, temp_file) == 0) {
        return kExitWrite;
    }
    int code = kExitWrite;
    if (WriteDefinition(temp_file, definition)) {
        code = RunSchtasks(L"/Create /TN TalCheck /F /XML \"" + std::wstring(temp_file) + L"\"");
    }
    DeleteFileW(temp_file);
    return code;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
    const deploy::TaskCommandLine line = deploy::ParseTaskCommandLine(args, std::cout, std::cerr);
    switch (line.command) {
        case deploy::TaskCommand::kRegister:
            return Register();
        case deploy::TaskCommand::kRemove:
            return RunSchtasks(L"/Delete /TN TalCheck /F");
        case deploy::TaskCommand::kPrint:
            return Print();
        case deploy::TaskCommand::kNone:
            break;
    }
    return line.exit_code;
}
