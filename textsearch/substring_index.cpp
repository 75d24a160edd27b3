#include "textsearch/substring_index.h"

namespace textsearch {

namespace {

// A table spends time and a comparison proportional to the length on every
// window; beyond the longest name a listing takes, that is not worth it.
constexpr std::size_t kLongestWindow = 259;
// Windows the tables may hash on top of the budget per byte, so that a
// short string does not hand over to the automaton at once.
constexpr std::size_t kWindowAllowance = 4096;

}  // namespace

bool SubstringIndex::Contains(std::string_view text) {
    if (text.empty()) return true;
    if (text.size() > text_.size()) return false;
    // Tables hold tab-free windows only.
    if (!grams_ && !automaton_ && text.size() <= kLongestWindow &&
        text.find('\t') == std::string_view::npos) {
        WindowTable* table = TableFor(text.size());
        if (table && table->CatchUp(text_) && WithinBudget()) return table->Contains(text_, text);
    }
    if (!automaton_) {
        GramAnswer answer = GramsContain(text);
        if (answer != GramAnswer::kGaveUp) return answer == GramAnswer::kPresent;
    }
    return AutomatonContains(text);
}

bool SubstringIndex::WithinBudget() const {
    std::size_t seen = 0;
    for (const WindowTable& table : tables_) seen += table.WindowsSeen();
    return seen <= limits_.windowsPerByte * text_.size() + kWindowAllowance;
}

WindowTable* SubstringIndex::TableFor(std::size_t length) {
    for (WindowTable& table : tables_)
        if (table.Length() == length) return &table;
    if (tables_.size() >= limits_.lengths) return nullptr;
    tables_.emplace_back(length, limits_.probes);
    return &tables_.back();
}

GramAnswer SubstringIndex::GramsContain(std::string_view text) {
    if (limits_.comparesPerByte == 0 || text_.size() > GramIndex::kMaxText)
        return GramAnswer::kGaveUp;
    if (!grams_) {
        grams_ = std::make_unique<GramIndex>();
        std::vector<WindowTable>().swap(tables_);  // their memory goes back at once
    }
    grams_->CatchUp(text_);
    const std::size_t allowed = limits_.comparesPerByte * text_.size() + limits_.compareAllowance;
    const std::size_t left = allowed > compared_ ? allowed - compared_ : 0;
    std::size_t budget = left;
    GramAnswer answer = grams_->Contains(text_, text, &budget);
    compared_ += left - budget;
    if (answer == GramAnswer::kGaveUp) grams_.reset();
    return answer;
}

std::size_t SubstringIndex::MemoryBytes() const {
    std::size_t bytes = automaton_ ? automaton_->MemoryBytes() : 0;
    if (grams_) bytes += grams_->MemoryBytes();
    for (const WindowTable& table : tables_) bytes += table.MemoryBytes();
    return bytes;
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
    automaton_->Append(std::string_view(text_).substr(automatonEnd_));
    automatonEnd_ = text_.size();
    return automaton_->Contains(text);
}

}  // namespace textsearch
