#include "platform/dir_writable.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/native_path_posix.h"

namespace plat {

DirWritable CheckDirWritable(const char* path) {
    char native[kPathSize];
    struct stat st;
    if (!ToNativePath(path, native) || ::lstat(native, &st) != 0) return DirWritable::kMissing;
    if (S_ISLNK(st.st_mode)) return DirWritable::kLink;
    if (!S_ISDIR(st.st_mode)) return DirWritable::kMissing;
    return ::access(native, W_OK) == 0 ? DirWritable::kYes : DirWritable::kNo;
}

}  // namespace plat
