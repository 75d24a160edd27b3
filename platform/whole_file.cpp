#include "platform/whole_file.h"

#include <new>

namespace plat {
namespace {

WholeFile Unreadable(const File& file) {
    return {WholeFileStatus::kUnreadable, "", file.LastError()};
}

WholeFile TooLarge() { return {WholeFileStatus::kTooLarge, "", 0}; }

}  // namespace

WholeFile ReadWhole(File& file, std::uint64_t maxBytes) {
    std::uint64_t size = 0;
    if (!file.valid() || !file.Seek(0, SeekOrigin::kBegin, nullptr)) return Unreadable(file);
    if (file.Size(&size) && size > maxBytes) return TooLarge();
    WholeFile whole;
    char buffer[65536];
    try {
        for (;;) {
            std::int64_t n = file.Read(buffer, sizeof buffer);
            if (n < 0) return Unreadable(file);
            if (n == 0) break;
            // The file may have grown since it was measured.
            if (whole.bytes.size() + static_cast<std::uint64_t>(n) > maxBytes) return TooLarge();
            whole.bytes.append(buffer, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        return TooLarge();
    }
    whole.status = WholeFileStatus::kRead;
    return whole;
}

WholeFile ReadWholeFile(const char* path, std::uint64_t maxBytes) {
    File file = File::OpenForRead(path);
    return ReadWhole(file, maxBytes);
}

}  // namespace plat
