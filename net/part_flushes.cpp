#include "net/part_flushes.h"

#include <algorithm>

namespace net {

PartFlushes::PartFlushes(const char* packagePath, plat::File& file)
    : path_(packagePath), file_(file), kept_(ReadPartRecord(packagePath, &record_)) {
    Plan(record_.held);
}

void PartFlushes::Wrote(std::size_t bytes) {
    written_ += bytes;
    if (kept_ && written_ >= next_) {
        Flush();
    } else if (kept_ && written_ >= nextWriteBack_) {
        file_.StartWriteBack();
        nextWriteBack_ = written_ + kWriteBackEvery;
    }
}

bool PartFlushes::Flush() {
    std::uint64_t size = 0;
    kept_ = kept_ && file_.Flush() && file_.Size(&size) && size <= record_.total;
    // The record itself is not flushed: lost, it only costs the part.
    record_.held = size;
    kept_ = kept_ && WritePartRecord(path_, record_);
    Plan(size);
    return kept_;
}

void PartFlushes::Plan(std::uint64_t held) {
    written_ = held;
    nextWriteBack_ = held + kWriteBackEvery;
    next_ = std::min(std::max(2 * held, kFirstFlush), held + kFlushEvery);
}

}  // namespace net
