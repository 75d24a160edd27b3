#include <sys/stat.h>
#include <unistd.h>

#include "platform/file_handle.h"
#include "platform/file_trust.h"

namespace plat {

FileTrust JudgeOpenFile(const File& file) {
    struct stat st {};
    if (!file.valid() || ::fstat(static_cast<int>(file.native()), &st) != 0)
        return FileTrust::kUnknown;
    PosixFileFacts facts{static_cast<std::uint32_t>(st.st_mode),
                         static_cast<std::uint64_t>(st.st_nlink),
                         static_cast<std::uint32_t>(st.st_uid)};
    return JudgePosixFile(facts, static_cast<std::uint32_t>(::geteuid()));
}

}  // namespace plat
