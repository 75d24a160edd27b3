// Whether files can be made in a directory, found out without leaving a
// trace and without following a link.
#pragma once

namespace plat {

enum class DirWritable {
    kYes,
    kNo,      // the directory exists, but no file can be made in it
    kLink,    // the name is a link (a reparse point on Windows): not looked through
    kMissing  // no directory of that name
};

// Paths separate with a backslash or "/", as the other file functions take them.
// POSIX: access(W_OK) on the directory itself, after lstat has shown a
// directory: nothing is made, so its times stay as they are.
// Windows: attribute bits do not tell (ACLs), so a file is made with
// CREATE_NEW under a name of its own, FILE_FLAG_OPEN_REPARSE_POINT and
// FILE_FLAG_DELETE_ON_CLOSE: CREATE_NEW never opens anything that exists
// under that name, a link included. The directory's times are read before
// and written back afterwards, when the directory can be opened for that.
DirWritable CheckDirWritable(const char* path);

}  // namespace plat
