// Response tables: a class lists the messages it handles in a static array of
// entries ending with a null dispatcher, and overrides Find to search its own
// table before passing the look-up on to its base class:
//
//   const fw::TResponseTableEntry MyWindow::ResponseTable[] = {
//       {UM_X, &fw::I32_WPARAM_LPARAM_Dispatch<MyWindow, &MyWindow::EvX>},
//       {0, nullptr}};
//   bool MyWindow::Find(TEventInfo& info) {
//       return SearchEntries(ResponseTable, info) || TFrameWindow::Find(info);
//   }
#pragma once

#include <cstdint>

#include "framework/types.h"

namespace fw {

class TEventHandler;

struct TResponseTableEntry {
    unsigned Msg;
    TResult (*Dispatcher)(TEventHandler& target, TParam1 p1, TParam2 p2);
};

// Calls a member int32_t Handler(TParam1, TParam2) of T; the 32-bit result is
// widened to the message result.
template <class T, int32_t (T::*Handler)(TParam1, TParam2)>
TResult I32_WPARAM_LPARAM_Dispatch(TEventHandler& target, TParam1 p1, TParam2 p2) {
    return (static_cast<T&>(target).*Handler)(p1, p2);
}

class TEventHandler {
public:
    struct TEventInfo {
        explicit TEventInfo(unsigned msg) : Msg(msg) {}
        unsigned Msg;
        const TResponseTableEntry* Entry = nullptr;  // set by a successful Find
    };

    virtual ~TEventHandler() = default;

    // Looks the message up; true and info.Entry set when some table has it.
    // The base has no entries.
    virtual bool Find(TEventInfo& info);

    // Calls the handler that Find located.
    TResult Dispatch(const TEventInfo& info, TParam1 p1, TParam2 p2);

protected:
    bool SearchEntries(const TResponseTableEntry* entries, TEventInfo& info);
};

}  // namespace fw
