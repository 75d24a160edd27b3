// Differential fuzzer of the page checks' anchor scanner against the
// regular expression it stands for, on lines short enough for the
// expression's recursion; longer lines are only scanned.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>

#include "audit/anchor_scan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::vector<audit::Anchor> scanned = audit::AnchorsOn(line);
    if (size > 4096) return 0;
    static const std::regex kAnchor(R"re(<a\s+href\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+)))re",
                                    std::regex::ECMAScript | std::regex::icase);
    std::size_t n = 0;
    for (std::sregex_iterator it(line.begin(), line.end(), kAnchor), end; it != end; ++it, ++n) {
        const std::smatch& m = *it;
        const char quote = m[1].matched ? '"' : m[2].matched ? '\'' : '\0';
        const std::string target = m[quote == '"' ? 1 : quote == '\'' ? 2 : 3].str();
        if (n >= scanned.size() || scanned[n].start != m.str().substr(0, 9) ||
            scanned[n].target != target || scanned[n].quote != quote)
            std::abort();
    }
    if (n != scanned.size()) std::abort();
    return 0;
}
