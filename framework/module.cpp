#include "framework/module.h"

#include <vector>

namespace fw {

namespace {

std::vector<const TStringResource*>& Tables() {
    static std::vector<const TStringResource*> tables;
    return tables;
}

}  // namespace

bool RegisterStringResources(const TStringResource* table) {
    Tables().push_back(table);
    return true;
}

const char* FindStringResource(unsigned id) {
    for (const TStringResource* table : Tables())
        for (const TStringResource* e = table; e->Text; ++e)
            if (e->Id == id) return e->Text;
    return nullptr;
}

}  // namespace fw
