// The bytes of a PE file held in memory, for tests of the PE reader
// (platform/pe_version.h).
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/pe_version.h"

namespace testing_support {

class MemorySource final : public plat::ByteSource {
public:
    MemorySource(const void* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* dst, std::size_t n) const override {
        if (offset > size_ || size_ - offset < n) return false;
        if (n != 0) std::memcpy(dst, static_cast<const std::uint8_t*>(data_) + offset, n);
        return true;
    }

private:
    const void* data_;
    std::size_t size_;
};

}  // namespace testing_support
