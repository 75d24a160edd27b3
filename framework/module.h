// The program's module: its resources. On Windows the resources are those
// linked into the .exe; on POSIX, string resources come from tables that the
// program registers with RegisterStringResources (a compiled-in stand-in for
// the string table).
#pragma once

namespace fw {

struct TStringResource {
    unsigned Id;
    const char* Text;
};

// Adds a table, ended by an entry with a null Text, to the POSIX string
// resources. The table must live for the whole process. Returns true so
// that it can initialise a static.
bool RegisterStringResources(const TStringResource* table);

// Looks an id up in the registered tables; null when absent.
const char* FindStringResource(unsigned id);

class TModule {
public:
    virtual ~TModule() = default;

    // LoadStringA's rules: copies at most size - 1 characters and a
    // terminator; returns the number copied, 0 (buf untouched) when there is
    // no such string.
    int LoadString(unsigned id, char* buf, int size) const;
};

}  // namespace fw
