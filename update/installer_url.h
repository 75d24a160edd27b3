// Where the installer server is. The host is a deployment setting: compiled
// in from the CMake cache variable TALCHECK_INSTALLER_HOST, and overridden at
// run time by the environment variable of the same name when that is set and
// not empty. The value is a host name or address with an optional ":port";
// a value beginning with "https://" selects HTTPS (and "http://" is accepted
// for plain HTTP); one trailing "/" or more is dropped.
#pragma once

#include <string>

// The setting in force: the environment's value, else the compiled-in one.
std::string InstallerHostSetting();

// The installer base URL for a host setting:
// "127.0.0.1:8080" -> "http://127.0.0.1:8080/Marl%20Quill/MarlQuill/".
std::string InstallerBaseUrl(const std::string& hostSetting);
