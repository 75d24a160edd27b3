// Extracts an archive's first item below a directory of its own, for the
// tests of encrypted items, whose archives hold just the one.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "installation/archive.h"
#include "testing/temp_dir.h"

// Debian's libminizip-dev decrypts nothing: built with it, the tests of
// encrypted items skip.
#ifdef TALCHECK_MINIZIP_SYSTEM
#define SKIP_WITHOUT_DECRYPTION() \
    GTEST_SKIP() << "Debian's libminizip-dev decrypts nothing: run tools/setup.sh"
#else
#define SKIP_WITHOUT_DECRYPTION() static_cast<void>(0)
#endif

namespace installation {

struct FirstItem {
    std::uint32_t code = ARC_OK;  // ExtractArchiveItem's
    std::string name;             // as the archive records it
    bool written = false;         // a file of that name was left
    std::string bytes;
};

inline FirstItem ExtractFirstItem(const std::string& archive, const char* password) {
    FirstItem first;
    testing_support::ScopedTempDir dir;
    ArchiveHandle handle = OpenArchive(archive.c_str(), password);
    EXPECT_NE(handle, nullptr) << archive;
    if (handle == nullptr) return first;
    SetExtractionRoot(handle, dir.path().c_str());
    ArchiveItem item;
    EXPECT_EQ(GetArchiveItem(handle, 0, &item), ARC_OK) << archive;
    first.name = item.name;
    first.code = ExtractArchiveItem(handle, 0, item.name);
    CloseArchive(handle);
    first.written = testing_support::ReadFile(dir.Join(first.name), &first.bytes);
    return first;
}

}  // namespace installation
