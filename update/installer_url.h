// Where the installer server is, and the layout of its installer tree.
//
// The host is a deployment setting: compiled in from the CMake cache variable
// TALCHECK_INSTALLER_HOST, and overridden at run time by the environment
// variable of the same name when that is set and not empty. The value is a
// host name or address with an optional ":port"; a value beginning with
// "https://" selects HTTPS (and "http://" is accepted for plain HTTP); one
// trailing "/" or more is dropped.
//
// The tree is the folder "Marl Quill/MarlQuill" below the server's root,
// holding one folder per version line, named "<major>_<minor> Installers".
// URLs write each blank of these names as "%20".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace update {

// The tree's folders below the server's root, outermost first.
constexpr const char* kInstallerTree[] = {"Marl Quill", "MarlQuill"};

// Folder paths hold at most 127 characters and a terminator.
constexpr std::size_t kFolderPathSize = 128;

// The setting in force: the environment's value, else the compiled-in one.
std::string InstallerHostSetting();

// The installer base URL for a host setting:
// "127.0.0.1:8080" -> "http://127.0.0.1:8080/Marl%20Quill/MarlQuill/".
std::string InstallerBaseUrl(const std::string& hostSetting);

// A line's folder name: 5, 1 -> "5_1 Installers".
std::string LineFolderName(int32_t major, int32_t minor);

// The line of a folder name of that form, with a major of one to nine digits
// and a one-digit minor. False for any other name, pair unchanged.
bool ParseLineFolderName(const std::string& name, int32_t* major, int32_t* minor);

// One version line's folder: the line as the run log names it ("5_1") and
// its path below the base URL ("/5_1%20Installers/").
struct LineFolder {
    char line[kFolderPathSize] = {};
    char path[kFolderPathSize] = {};
};
LineFolder LineFolderOf(int32_t major, int32_t minor);

}  // namespace update
