#include "net/part_flushes.h"

#include <algorithm>
#include <system_error>

namespace net {

PartFlushes::PartFlushes(const char* packagePath, plat::File& file)
    : path_(packagePath), file_(file), kept_(ReadPartRecord(packagePath, &record_)) {
    Plan(record_.held);
    if (!kept_) return;
    twin_ = file_.Duplicate();
    if (!twin_.valid()) return;
    try {
        flusher_ = std::thread(&PartFlushes::FlushBeside, this);
    } catch (const std::system_error&) {
        // No thread: Wrote flushes on the transfer's own.
    }
}

PartFlushes::~PartFlushes() { Stop(); }

void PartFlushes::Wrote(std::size_t bytes) {
    written_ += bytes;
    if (!kept_) return;
    if (written_ >= next_ && !flusher_.joinable()) {
        Flush();
    } else if (written_ >= next_) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            due_ = written_;
            waiting_ = true;
        }
        wake_.notify_one();
        Plan(written_);
    } else if (written_ >= nextWriteBack_) {
        file_.StartWriteBack();
        nextWriteBack_ = written_ + kWriteBackEvery;
    }
}

void PartFlushes::Stop() {
    if (!flusher_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    flusher_.join();
}

bool PartFlushes::Flush() {
    Stop();
    std::uint64_t size = 0;
    kept_ = kept_ && file_.Size(&size) && FlushTo(file_, size);
    Plan(size);
    return kept_;
}

void PartFlushes::FlushBeside() {
    for (;;) {
        std::uint64_t size = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return waiting_ || stopping_; });
            if (stopping_) return;
            size = due_;
            waiting_ = false;
        }
        if (!FlushTo(twin_, size)) {
            kept_ = false;
            return;
        }
    }
}

bool PartFlushes::FlushTo(plat::File& file, std::uint64_t size) {
    // Every byte counted in size was written before the flush began.
    if (!file.Flush() || size > record_.total) return false;
    // The record itself is not flushed: lost, it only costs the part.
    record_.held = size;
    return WritePartRecord(path_, record_);
}

void PartFlushes::Plan(std::uint64_t held) {
    written_ = held;
    nextWriteBack_ = held + kWriteBackEvery;
    next_ = std::min(std::max(2 * held, kFirstFlush), held + kFlushEvery);
}

}  // namespace net
