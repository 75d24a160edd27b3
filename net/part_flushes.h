// A kept part's record kept behind the bytes flushed to disk while its
// download writes (see net/part_file.h): after a power cut the record never
// names bytes that may not have survived.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

#include "net/part_file.h"
#include "platform/file_handle.h"

namespace net {

// Each flush waits for the disk, so they come when the file has doubled
// since the last one (from kFirstFlush on) or grown by kFlushEvery: a killed
// run keeps at least half of what it held, losing at most kFlushEvery (a few
// seconds of a station's network), and a 500 MB package costs about 25
// flushes. Between them the disk is set writing every kWriteBackEvery
// (plat::File::StartWriteBack), so that a flush waits for little more than
// the last of it. The waits happen on a thread of the part's own, beside the
// transfer, which only hands it the count written; where that thread cannot
// be had, the transfer flushes itself.
class PartFlushes {
public:
    static constexpr std::uint64_t kFirstFlush = 64 * 1024;
    static constexpr std::uint64_t kFlushEvery = 32 * 1024 * 1024;
    static constexpr std::uint64_t kWriteBackEvery = 1024 * 1024;

    // The part at packagePath, written through file from the byte its
    // record holds. Does nothing when the package has no record.
    PartFlushes(const char* packagePath, plat::File& file);
    ~PartFlushes();
    PartFlushes(const PartFlushes&) = delete;
    PartFlushes& operator=(const PartFlushes&) = delete;

    // After each chunk written: when one is due, the data is flushed and
    // then the record rewritten to name it. A count still waiting when a
    // newer one is due is passed over.
    void Wrote(std::size_t bytes);
    // Waits for the flush under way and drops one still waiting; the record
    // is not written behind the caller's back after this (before it is
    // removed, or flushed at a cut).
    void Stop();
    // Stops, then flushes now (at a cut); true when the record names all
    // the file holds. Once a flush or record write fails, the record is no
    // longer moved and this stays false.
    bool Flush();

private:
    void Plan(std::uint64_t held);
    void FlushBeside();
    // Flushes through file and writes the record naming size bytes.
    bool FlushTo(plat::File& file, std::uint64_t size);

    const char* path_;
    plat::File& file_;
    PartRecord record_;  // the flushing thread's alone while it runs
    std::atomic<bool> kept_;
    std::uint64_t written_ = 0, next_ = 0, nextWriteBack_ = 0;

    plat::File twin_;  // the flushing thread's handle on the part
    std::mutex mutex_;
    std::condition_variable wake_;
    std::uint64_t due_ = 0;                    // under mutex_
    bool waiting_ = false, stopping_ = false;  // under mutex_
    std::thread flusher_;
};

}  // namespace net
