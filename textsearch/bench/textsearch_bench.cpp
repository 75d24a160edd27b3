// Throughput of the folder-page link matcher, alone and with the duplicate
// test (the whole parsing half of FetchFolderListing), against std::regex
// with the same pattern. Pages: one index line per link, one page of 10 MB
// on a single line, where std::regex runs out of stack, and one page built
// to make the duplicate test slow.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <regex>
#include <string>

#include "net/folder_listing.h"
#include "textsearch/link_matcher.h"

namespace {

std::string IndexPage(int links) {
    std::string page = "<html><body><pre>\n<a href=\"../\">../</a>\n";
    for (int i = 0; i < links; ++i) {
        std::string name = std::to_string(5 + i / 100000) + "." + std::to_string(i % 10) + "0." +
                           std::to_string(100000 + i % 100000).substr(1) + ".zip";
        page += "<a href=\"" + name + "\">" + name + "</a>          07-Dec-2026 08:51    12M\n";
    }
    return page + "</pre></body></html>\n";
}

std::string SingleLinePage(std::size_t bytes) {
    std::string page;
    for (int i = 0; page.size() < bytes; ++i)
        page += "<a href=\"f" + std::to_string(i) + ".zip\">f" + std::to_string(i) + "</a> ";
    return page;
}

// Built against the duplicate test: one link per line, targets of every
// length up to 259 over a few letters, tabs and dots, so that the window
// tables run out and questions meet many near-equal windows.
std::string HostilePage(std::size_t bytes) {
    std::string page;
    std::uint32_t state = 12345;
    for (int i = 0; page.size() < bytes; ++i) {
        std::string name;
        for (int n = 1 + (i * 7919) % 259; n > 0; --n) {
            state = state * 1103515245u + 12345u;
            name.push_back("ab.\t"[state >> 30]);
        }
        page += "<a href=\"" + name + "\">x</a>\n";
    }
    return page;
}

const std::string& Page(int which) {
    static const std::string pages[] = {IndexPage(100), IndexPage(10000), IndexPage(100000),
                                        SingleLinePage(10 * 1000 * 1000), HostilePage(1000 * 1000)};
    return pages[which];
}

void SetLabel(benchmark::State& state) {
    static const char* const names[] = {"100 links", "10,000 links", "100,000 links",
                                        "10 MB single line", "1 MB hostile"};
    state.SetLabel(names[state.range(0)]);
}

void BM_Matcher(benchmark::State& state) {
    const std::string& page = Page(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        textsearch::LinkMatcher m(page);
        std::string_view c;
        std::size_t n = 0;
        while (m.Next(&c)) ++n;
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    SetLabel(state);
}

void BM_ListingParse(benchmark::State& state) {
    const std::string& page = Page(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::string listing;
        net::AppendLinkTargets(page, listing, ".");
        benchmark::DoNotOptimize(listing.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    SetLabel(state);
}

void BM_StdRegex(benchmark::State& state) {
    if (state.range(0) == 3) {
        state.SkipWithError("std::regex overflows its stack on a line this long");
        return;
    }
    const std::string& page = Page(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::regex pattern("<a href=\"(.*)\">.*</a>");
        std::size_t n = 0;
        for (std::sregex_iterator it(page.begin(), page.end(), pattern), end; it != end; ++it)
            n += (*it)[1].length();
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
    SetLabel(state);
}

BENCHMARK(BM_Matcher)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListingParse)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StdRegex)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
