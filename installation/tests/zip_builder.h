// Builds small ZIP archives in memory for the tests, with every field under
// the test's control (so broken and hostile archives are easy to make).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zip_builder {

struct Entry {
    Entry() = default;
    Entry(std::string itemName, std::string contents)
        : name(std::move(itemName)), data(std::move(contents)) {}

    std::string name;
    std::string data;          // uncompressed contents
    std::uint16_t method = 0;  // 0 stored, 8 deflated (compressed here), others stored as is
    std::uint16_t flags = 0;
    std::uint32_t dosStamp = 0x58A16000;  // 2024-05-01 12:00:00
    std::uint32_t externalAttributes = 0;
    std::uint8_t host = 0;  // upper byte of version-made-by
    std::string localExtra;
    bool badCrc = false;                 // store a CRC-32 that does not match the data
    std::int64_t truncateDataTo = -1;    // keep only this many bytes of the stored data
    std::uint16_t localMethod = 0xFFFF;  // local header's method, when different
    std::int64_t recordedSize = -1;      // uncompressed size in both headers, when different
    int shareDataOf = -1;  // no data of its own: the central record points at that entry's
    // Traditional encryption when not empty (flag bit 0 is set): the 11 header
    // bytes given here, then the check byte (the CRC-32's high byte, or with
    // flag bit 3 the DOS time's), all encrypted with the data.
    std::string password;
    std::string header = std::string(11, '\x5A');
};

struct Options {
    int countAdjust = 0;  // added to the item count of the end record
};

std::string Build(const std::vector<Entry>& entries, const Options& options = {});

// An extended-timestamp block "UT" with the given flags and values, and an
// explicit data size (-1: as many bytes as flags and values need).
std::string TimestampBlock(std::uint8_t flags, const std::vector<std::int32_t>& values,
                           int dataSize = -1);

}  // namespace zip_builder
