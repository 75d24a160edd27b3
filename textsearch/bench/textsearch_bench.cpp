// The folder-page parse and its duplicate test against the reference they
// replace, std::regex with the pattern  <a href="(.*)">.*</a>  and
// std::string::find on the listing, in the same run:
//   Parse          AppendLinkTargets: link matcher and SubstringIndex
//   RefParse       std::regex captures, each looked up with std::string::find
//   Regex          std::regex alone (the matching half of RefParse)
//   Dup            SubstringIndex alone, on the page's filtered captures
//   DupGrams       the same with the window tables switched off
//   DupAutomaton   the same with the automaton alone, in as much memory as it takes
//   DupSorted      the same with the sorted windows alone
//   RefDup         std::string::find alone, on the same captures
// Memory per listing byte ("mem/byte") is what the index holds at the end
// of the page divided by the listing's length. Pages come from fixed
// generators, so every run sees the same bytes.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstddef>
#include <regex>
#include <string>
#include <vector>

#include "net/folder_listing.h"
#include "textsearch/link_matcher.h"
#include "textsearch/substring_index.h"

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

// One link per line; targets of every length from 1 to 259 in turn, drawn
// from alphabet (a linear congruential generator's high bits pick letters).
std::string HostilePage(std::size_t bytes, const std::string& alphabet) {
    std::string page;
    std::uint32_t state = 12345;
    for (int i = 0; page.size() < bytes; ++i) {
        std::string name;
        for (int n = 1 + (i * 7919) % 259; n > 0; --n) {
            state = state * 1103515245u + 12345u;
            name.push_back(alphabet[(std::uint64_t{state >> 8} * alphabet.size()) >> 24]);
        }
        page += "<a href=\"" + name + "\">x</a>\n";
    }
    return page;
}

// One link per line; targets of a's of every length from 1 to 259 in turn,
// each ending in ".b": every gram of a target recurs in every longer one.
std::string RepeatsPage(std::size_t bytes) {
    std::string page;
    for (int i = 0; page.size() < bytes; ++i)
        page += "<a href=\"" + std::string(1 + (i * 7919) % 259, 'a') + ".b\">x</a>\n";
    return page;
}

// The same a's, each target with its own numbered tail (".Nz" occurs in no
// other), so that no target is a duplicate: a listing about as long as the
// page, all of it long repeats.
std::string NumberedRepeatsPage(std::size_t bytes) {
    std::string page;
    for (int i = 0; page.size() < bytes; ++i)
        page += "<a href=\"" + std::string(1 + (i * 7919) % 250, 'a') + "." + std::to_string(i) +
                "z\">x</a>\n";
    return page;
}

// Every byte but NUL, LF, CR, '"', '<' and '>': 250 values.
std::string DistinctBytes() {
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        if (std::string("\n\r\"<>").find(static_cast<char>(b)) == std::string::npos)
            bytes.push_back(static_cast<char>(b));
    return bytes;
}

struct Page {
    const char* label;
    std::string text;
    bool regexCopes;  // std::regex overflows its stack on a 10 MB line
};

const Page& PageAt(int which) {
    static const Page pages[] = {
        {"100 links", IndexPage(100), true},
        {"10,000 links", IndexPage(10000), true},
        {"100,000 links", IndexPage(100000), true},
        {"10 MB single line", SingleLinePage(10 * 1000 * 1000), false},
        {"1 MB many lengths", HostilePage(1000 * 1000, "abcdefghijklmnopqrstuvwxyz0123456789.-_"),
         true},
        {"1 MB tabs, 4 letters", HostilePage(1000 * 1000, "ab.\t"), true},
        {"1 MB 250 distinct bytes", HostilePage(1000 * 1000, DistinctBytes()), true},
        {"8 MB many lengths",
         HostilePage(8 * 1000 * 1000, "abcdefghijklmnopqrstuvwxyz0123456789.-_"), true},
        {"1 MB repeats", RepeatsPage(1000 * 1000), true},
        {"8 MB numbered repeats", NumberedRepeatsPage(8 * 1000 * 1000), true},
    };
    return pages[which];
}
constexpr int kPages = 10;

std::vector<std::string> RegexCaptures(const std::string& page) {
    std::regex pattern("<a href=\"(.*)\">.*</a>");  // compiled per page, as FetchFolderListing did
    std::vector<std::string> out;
    for (std::sregex_iterator it(page.begin(), page.end(), pattern), end; it != end; ++it)
        out.push_back((*it)[1].str());
    return out;
}

bool Listable(const std::string& name) {
    return name.find('.') != std::string::npos && name.size() <= net::kMaxListedName;
}

// The captures that reach the duplicate test.
const std::vector<std::string>& Questions(int which) {
    static std::vector<std::string> cache[kPages];
    static bool done[kPages] = {};
    if (!done[which]) {
        textsearch::LinkMatcher matcher(PageAt(which).text);
        std::string_view capture;
        while (matcher.Next(&capture))
            if (Listable(std::string(capture))) cache[which].emplace_back(capture);
        done[which] = true;
    }
    return cache[which];
}

void Finish(benchmark::State& state, const Page& page) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.text.size()));
    state.SetLabel(page.label);
}

void BM_Parse(benchmark::State& state) {
    const Page& page = PageAt(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::string listing;
        net::AppendLinkTargets(page.text, listing, ".");
        benchmark::DoNotOptimize(listing.data());
    }
    Finish(state, page);
}

void BM_RefParse(benchmark::State& state) {
    const Page& page = PageAt(static_cast<int>(state.range(0)));
    if (!page.regexCopes) return state.SkipWithError("std::regex overflows its stack");
    for (auto _ : state) {
        std::string listing;
        for (const std::string& name : RegexCaptures(page.text))
            if (Listable(name) && listing.find(name) == std::string::npos) listing += name + '\t';
        benchmark::DoNotOptimize(listing.data());
    }
    Finish(state, page);
}

void BM_Regex(benchmark::State& state) {
    const Page& page = PageAt(static_cast<int>(state.range(0)));
    if (!page.regexCopes) return state.SkipWithError("std::regex overflows its stack");
    for (auto _ : state) benchmark::DoNotOptimize(RegexCaptures(page.text).size());
    Finish(state, page);
}

void Dup(benchmark::State& state, textsearch::SubstringIndex::Limits limits) {
    const int which = static_cast<int>(state.range(0));
    const std::vector<std::string>& questions = Questions(which);
    double memoryPerByte = 0;
    for (auto _ : state) {
        std::string listing;
        textsearch::SubstringIndex index(listing, limits);
        for (const std::string& name : questions)
            if (!index.Contains(name)) listing += name + '\t';
        memoryPerByte = listing.empty() ? 0 : double(index.MemoryBytes()) / double(listing.size());
    }
    state.counters["mem/byte"] = memoryPerByte;
    Finish(state, PageAt(which));
}

void BM_Dup(benchmark::State& state) { Dup(state, {}); }
void BM_DupGrams(benchmark::State& state) { Dup(state, {0, 64, 2}); }
void BM_DupAutomaton(benchmark::State& state) { Dup(state, {0, 64, 2, 0, 0, SIZE_MAX}); }
void BM_DupSorted(benchmark::State& state) { Dup(state, {8, 64, 2, 16, 0, 0}); }

void BM_RefDup(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const std::vector<std::string>& questions = Questions(which);
    for (auto _ : state) {
        std::string listing;
        for (const std::string& name : questions)
            if (listing.find(name) == std::string::npos) listing += name + '\t';
        benchmark::DoNotOptimize(listing.data());
    }
    Finish(state, PageAt(which));
}

// The quadratic references take seconds on the larger pages: one round.
void Pages(benchmark::internal::Benchmark* b) {
    b->DenseRange(0, kPages - 1)->Unit(benchmark::kMillisecond);
}
void SlowPages(benchmark::internal::Benchmark* b) { Pages(b->Iterations(1)); }

BENCHMARK(BM_Parse)->Apply(Pages);
BENCHMARK(BM_RefParse)->Apply(SlowPages);
BENCHMARK(BM_Regex)->Apply(Pages);
BENCHMARK(BM_Dup)->Apply(Pages);
BENCHMARK(BM_DupGrams)->Apply(Pages);
BENCHMARK(BM_DupAutomaton)->Apply(Pages);
BENCHMARK(BM_DupSorted)->Apply(Pages);
BENCHMARK(BM_RefDup)->Apply(SlowPages);

}  // namespace

BENCHMARK_MAIN();
