// Differential fuzzer of the listing's duplicate test: SubstringIndex
// against std::string::find on a string that grows as a listing does.
// The first byte picks the limits, so that inputs reach every structure
// and every hand-over (tiny budgets make the grams give up early). The
// rest is split at line feeds: a line that starts with 0x01 is appended
// to the string as it is (a caller's text), any other line is a question,
// appended with a tab when it is absent, as the listing appends a name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "textsearch/substring_index.h"

namespace {

using Limits = textsearch::SubstringIndex::Limits;

Limits PickLimits(std::uint8_t choice) {
    switch (choice % 8) {
        case 0:
            return Limits{};
        case 1:
            return Limits{1000, 64, 1000, 0};  // tables, then the automaton
        case 2:
            return Limits{0, 64, 2, 1000, 1 << 20};  // grams alone
        case 3:
            return Limits{0, 64, 2, 1, choice};  // grams, soon the automaton
        case 4:
            return Limits{2, 1 + choice % 3, 1, 2, 256};
        case 5:
            return Limits{8, 64, 2, 16, 1 << 16, 0};  // the sorted windows alone
        case 6:  // the automaton (14 KiB empty), after a few KiB the sorted windows
            return Limits{0, 64, 2, 0, 0, (std::size_t{28} << 10) + choice * 2048u};
        default:
            return Limits{0, 64, 2, 0};  // the automaton alone
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::string listing;
    textsearch::SubstringIndex index(listing, PickLimits(data[0]));
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line[0] == '\x01') {
            listing.append(line.substr(1));
            continue;
        }
        bool expected = listing.find(line) != std::string::npos;
        if (index.Contains(line) != expected) std::abort();
        if (!expected) {
            listing.append(line);
            listing.push_back('\t');
        }
    }
    return 0;
}
