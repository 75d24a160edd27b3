#include "installation/archive_item_info.h"

#include <algorithm>

#include "installation/archive_stream.h"
#include "platform/file_time.h"

namespace installation {

std::uint32_t MapItemAttributes(std::uint32_t a, unsigned host) {
    // DOS hosts store the very bits that Windows attributes use.
    constexpr std::uint32_t kDosBits = plat::kAttrReadOnly | plat::kAttrHidden | plat::kAttrSystem |
                                       plat::kAttrDirectory | plat::kAttrArchive;
    if (host == 0 || host == 7 || host == 11 || host == 14) return a & kDosBits;
    std::uint32_t result = plat::kAttrArchive;
    if ((a & 0x40000000u) != 0) result |= plat::kAttrDirectory;
    if ((a & 0x00800000u) == 0) result |= plat::kAttrReadOnly;
    return result;
}

plat::FileTime DosStampToFileTime(std::uint32_t dosStamp) {
    std::uint32_t date = dosStamp >> 16;
    std::uint32_t time = dosStamp & 0xFFFF;
    plat::CalendarTime local{static_cast<int>((date >> 9) + 1980),
                             static_cast<int>((date >> 5) & 15),
                             static_cast<int>(date & 31),
                             static_cast<int>(time >> 11),
                             static_cast<int>((time >> 5) & 63),
                             static_cast<int>((time & 31) * 2),
                             0};
    plat::FileTime result = 0;
    return plat::LocalCalendarToFileTime(local, &result) ? result : 0;
}

plat::FileTime UnixSecondsToFileTime(std::int32_t seconds) {
    return static_cast<plat::FileTime>(static_cast<std::int64_t>(seconds) + 11644473600LL) *
           10000000ULL;
}

void ApplyTimestampBlock(const unsigned char* extra, std::size_t length, ArchiveItem* item) {
    std::size_t pos = 0;
    while (extra != nullptr && pos + 4 < length) {
        std::size_t size = ReadLe(extra + pos + 2, 2);
        if (extra[pos] != 'U' || extra[pos + 1] != 'T') {
            pos += 4 + size;
            continue;
        }
        std::size_t end = std::min(pos + 4 + size, length);
        if (pos + 4 >= end) return;
        unsigned flags = extra[pos + 4];
        std::size_t value = pos + 5;
        plat::FileTime* targets[3] = {&item->writeTime, &item->accessTime, &item->creationTime};
        for (int bit = 0; bit < 3; ++bit) {
            if ((flags & (1u << bit)) == 0) continue;
            if (value + 4 > end) return;
            *targets[bit] =
                UnixSecondsToFileTime(static_cast<std::int32_t>(ReadLe(extra + value, 4)));
            value += 4;
        }
        return;
    }
}

}  // namespace installation
