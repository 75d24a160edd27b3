#include "platform/file_version.h"

#include <memory>
#include <new>

#include "platform/regular_file.h"
#include "platform/version_block.h"
#include "platform/win.h"

namespace plat {

bool ReadFileVersion(const char* path, char* buffer, std::size_t size) {
    // The version API maps whatever the name opens; a directory, a device or
    // a huge file has no version information worth the wait.
    if (!plat::IsRegularFileWithin(path, plat::kMaxExecutableBytes)) return false;
    DWORD unused = 0;
    const DWORD info_size = ::GetFileVersionInfoSizeA(path, &unused);
    if (info_size == 0) return false;

    // One zero byte past the block: a value at its very end still ends.
    const std::size_t block_size = std::size_t{info_size} + 1;
    std::unique_ptr<char[]> block(new (std::nothrow) char[block_size]());
    if (!block || !::GetFileVersionInfoA(path, 0, info_size, block.get())) return true;

    void* value = nullptr;
    UINT length = 0;
    if (::VerQueryValueA(block.get(), "\\StringFileInfo\\040904e4\\FileVersion", &value, &length) &&
        value != nullptr) {
        const char* text = static_cast<const char*>(value);
        const char* end = block.get() + block_size;
        if (text >= block.get() && text < end)
            plat::CopyVersionText(buffer, size, text, static_cast<std::size_t>(end - text));
    }
    return true;
}

}  // namespace plat
