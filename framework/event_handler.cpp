#include "framework/event_handler.h"

namespace fw {

bool TEventHandler::Find(TEventInfo& info) {
    info.Entry = nullptr;
    return false;
}

TResult TEventHandler::Dispatch(const TEventInfo& info, TParam1 p1, TParam2 p2) {
    return info.Entry && info.Entry->Dispatcher ? info.Entry->Dispatcher(*this, p1, p2) : 0;
}

bool TEventHandler::SearchEntries(const TResponseTableEntry* entries, TEventInfo& info) {
    for (const TResponseTableEntry* e = entries; e && e->Dispatcher; ++e) {
        if (e->Msg != info.Msg) continue;
        info.Entry = e;
        return true;
    }
    return false;
}

}  // namespace fw
