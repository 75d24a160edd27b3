#include "textsearch/gram_index.h"

namespace textsearch {

void GramIndex::CatchUp(std::string_view text) {
    short_.CatchUp(text);
    fours_.CatchUp(text);
    eights_.CatchUp(text);
}

GramAnswer GramIndex::Contains(std::string_view text, std::string_view question,
                               std::size_t* budget) const {
    if (question.size() <= ShortGrams::kLongest)
        return short_.Contains(question) ? GramAnswer::kPresent : GramAnswer::kAbsent;
    const GramChain& chain = question.size() < eights_.MinQuestion() ? fours_ : eights_;
    return chain.Find(text, question, budget);
}

std::size_t GramIndex::MemoryBytes() const {
    return short_.MemoryBytes() + fours_.MemoryBytes() + eights_.MemoryBytes();
}

}  // namespace textsearch
