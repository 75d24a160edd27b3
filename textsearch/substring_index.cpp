#include "textsearch/substring_index.h"

#include <algorithm>

namespace textsearch {

namespace {

// A table spends time and a comparison proportional to the length on every
// window; beyond the longest name a listing takes, that is not worth it.
constexpr std::size_t kLongestWindow = 259;
// Windows the tables may hash on top of the budget per byte, so that a
// short string does not hand over to the automaton at once.
constexpr std::size_t kWindowAllowance = 4096;
// The gram index and the automaton take in a long string piece by piece and
// weigh their memory after each, so that neither outgrows its budget by
// more than one piece's worth before handing over. The automaton's arrays
// grow by doubling, the old copy alive until the new one is filled: it
// stops at half the budget so that a last doubling stays within it.
constexpr std::size_t kGramPiece = std::size_t{1} << 20;
constexpr std::size_t kAutomatonPiece = std::size_t{1} << 16;

}  // namespace

bool SubstringIndex::Contains(std::string_view text) {
    if (text.empty()) return true;
    if (text.size() > text_.size()) return false;
    if (sorted_) return SortedContains(text);
    // Tables hold tab-free windows only.
    if (!grams_ && !automaton_ && text.size() <= kLongestWindow &&
        text.find('\t') == std::string_view::npos) {
        WindowTable* table = TableFor(text.size());
        if (table) {
            const std::size_t others = TablesBytes() - table->MemoryBytes();
            const std::size_t room =
                limits_.memoryBytes > others ? limits_.memoryBytes - others : 0;
            if (table->CatchUp(text_, room) && WithinBudget()) return table->Contains(text_, text);
        }
    }
    if (!automaton_) {
        GramAnswer answer = GramsContain(text);
        if (answer != GramAnswer::kGaveUp) return answer == GramAnswer::kPresent;
        if (sorted_) return SortedContains(text);
    }
    return AutomatonContains(text);
}

bool SubstringIndex::WithinBudget() const {
    std::size_t seen = 0;
    for (const WindowTable& table : tables_) seen += table.WindowsSeen();
    return seen <= limits_.windowsPerByte * text_.size() + kWindowAllowance;
}

std::size_t SubstringIndex::TablesBytes() const {
    std::size_t bytes = 0;
    for (const WindowTable& table : tables_) bytes += table.MemoryBytes();
    return bytes;
}

WindowTable* SubstringIndex::TableFor(std::size_t length) {
    for (WindowTable& table : tables_)
        if (table.Length() == length) return &table;
    if (tables_.size() >= limits_.lengths) return nullptr;
    tables_.emplace_back(length, limits_.probes);
    return &tables_.back();
}

// kGaveUp either way the grams end: over their walk budget (the automaton
// takes over) or over their memory budget (the sorted windows do).
GramAnswer SubstringIndex::GramsContain(std::string_view text) {
    if (limits_.comparesPerByte == 0 || text_.size() > GramChain::kMaxText)
        return GramAnswer::kGaveUp;
    if (!grams_) {
        grams_ = std::make_unique<Grams>();
        std::vector<WindowTable>().swap(tables_);  // their memory goes back at once
    }
    while (gramsEnd_ < text_.size()) {
        gramsEnd_ = std::min(gramsEnd_ + kGramPiece, text_.size());
        const std::string_view held = std::string_view(text_).substr(0, gramsEnd_);
        grams_->shorts.CatchUp(held);
        grams_->fours.CatchUp(held);
        grams_->eights.CatchUp(held);
        if (grams_->MemoryBytes() > limits_.memoryBytes) {
            grams_.reset();
            sorted_ = std::make_unique<SortedWindows>(kLongestWindow);
            return GramAnswer::kGaveUp;
        }
    }
    const std::size_t allowed = limits_.comparesPerByte * text_.size() + limits_.compareAllowance;
    const std::size_t left = allowed > compared_ ? allowed - compared_ : 0;
    std::size_t budget = left;
    const GramChain& chain =
        text.size() < grams_->eights.MinQuestion() ? grams_->fours : grams_->eights;
    GramAnswer answer = text.size() > ShortGrams::kLongest ? chain.Find(text_, text, &budget)
                        : grams_->shorts.Contains(text)    ? GramAnswer::kPresent
                                                           : GramAnswer::kAbsent;
    compared_ += left - budget;
    if (answer == GramAnswer::kGaveUp) grams_.reset();
    return answer;
}

std::size_t SubstringIndex::MemoryBytes() const {
    std::size_t bytes = automaton_ ? automaton_->MemoryBytes() : 0;
    if (grams_) bytes += grams_->MemoryBytes();
    if (sorted_) bytes += sorted_->MemoryBytes();
    return bytes + TablesBytes();
}

// Beyond the automaton's reach (a gigabyte, far past any folder page) only a
// plain search is left.
bool SubstringIndex::AutomatonContains(std::string_view text) {
    if (text_.size() > SuffixAutomaton::kMaxText)
        return std::string_view(text_).find(text) != std::string_view::npos;
    if (!automaton_) {
        automaton_ = std::make_unique<SuffixAutomaton>();
        std::vector<WindowTable>().swap(tables_);
        grams_.reset();
    }
    for (std::size_t held; (held = automaton_->Size()) < text_.size();) {
        automaton_->Append(std::string_view(text_).substr(held, kAutomatonPiece));
        if (automaton_->MemoryBytes() > limits_.memoryBytes / 2) {
            automaton_.reset();
            sorted_ = std::make_unique<SortedWindows>(kLongestWindow);
            return SortedContains(text);
        }
    }
    return automaton_->Contains(text);
}

// Longer questions never come from a listing, whose names are at most
// kLongestWindow bytes.
bool SubstringIndex::SortedContains(std::string_view text) {
    if (text.size() > kLongestWindow || text_.size() > SortedWindows::kMaxText)
        return std::string_view(text_).find(text) != std::string_view::npos;
    sorted_->CatchUp(text_);
    return sorted_->Contains(text_, text);
}

}  // namespace textsearch
