// A kept part's record kept behind the bytes flushed to disk while its
// download writes (see net/part_file.h): after a power cut the record never
// names bytes that may not have survived.
#pragma once

#include <cstddef>
#include <cstdint>

#include "net/part_file.h"
#include "platform/file_handle.h"

namespace net {

// Each flush waits for the disk, so they come when the file has doubled
// since the last one (from kFirstFlush on) or grown by kFlushEvery: a killed
// run keeps at least half of what it held, losing at most kFlushEvery (a few
// seconds of a station's network), and a 500 MB package costs about 25
// flushes. Between them the disk is set writing every kWriteBackEvery
// (plat::File::StartWriteBack), so that a flush waits for little more than
// the last of it.
class PartFlushes {
public:
    static constexpr std::uint64_t kFirstFlush = 64 * 1024;
    static constexpr std::uint64_t kFlushEvery = 32 * 1024 * 1024;
    static constexpr std::uint64_t kWriteBackEvery = 1024 * 1024;

    // The part at packagePath, written through file from the byte its
    // record holds. Does nothing when the package has no record.
    PartFlushes(const char* packagePath, plat::File& file);

    // After each chunk written: when one is due, the data is flushed and
    // then the record rewritten to name it.
    void Wrote(std::size_t bytes);
    // Flushes now (at a cut); true when the record names all the file holds.
    // Once a flush or record write fails, the record is no longer moved
    // and this stays false.
    bool Flush();

private:
    void Plan(std::uint64_t held);

    const char* path_;
    plat::File& file_;
    PartRecord record_;
    bool kept_;
    std::uint64_t written_ = 0, next_ = 0, nextWriteBack_ = 0;
};

}  // namespace net
