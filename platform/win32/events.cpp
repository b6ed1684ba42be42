// Events: manual- and automatic-reset, optionally named (one namespace per
// process; a second creation under a name opens the first event).
#include <map>
#include <string>

#include "waitable.h"
#include "win_kernel.h"

namespace platform {
namespace {

class EventObject : public Waitable {
  public:
    EventObject(bool manual, bool signalled) : manual(manual), signalled(signalled) {}
    bool IsSignalled() const override { return signalled; }
    void Consume() override {
        if (!manual) signalled = false;
    }
    const bool manual;
    bool signalled;  // guarded by WaitLock()
};

struct NamedEvents {
    std::mutex lock;
    std::map<std::string, std::weak_ptr<EventObject>> byName;
};

NamedEvents& namedEvents() {
    static NamedEvents* n = new NamedEvents;
    return *n;
}

std::shared_ptr<EventObject> eventFromHandle(HANDLE handle) {
    auto e = KernelHandleGetAs<EventObject>(handle);
    if (!e) SetLastError(ERROR_INVALID_HANDLE);
    return e;
}

BOOL setState(HANDLE handle, bool signalled) {
    auto e = eventFromHandle(handle);
    if (!e) return FALSE;
    std::lock_guard<std::mutex> g(WaitLock());
    e->signalled = signalled;
    if (signalled) WaitWakeAll(true);
    return TRUE;
}

}  // namespace
}  // namespace platform

HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState,
                           LPCSTR name) {
    using platform::EventObject;
    if (name == nullptr || name[0] == '\0') {
        HANDLE h = platform::KernelHandleAdd(
            std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE));
        if (!h)
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        else
            SetLastError(ERROR_SUCCESS);
        return h;
    }
    auto& named = platform::namedEvents();
    std::lock_guard<std::mutex> g(named.lock);
    std::shared_ptr<EventObject> event = named.byName[name].lock();
    bool existed = event != nullptr;
    if (!existed) {
        event = std::make_shared<EventObject>(manualReset != FALSE, initialState != FALSE);
        named.byName[name] = event;
    }
    // Drop names whose events are gone, so the map does not grow without end.
    for (auto it = named.byName.begin(); it != named.byName.end();)
        it = it->second.expired() ? named.byName.erase(it) : std::next(it);
    HANDLE h = platform::KernelHandleAdd(event);
    if (!h) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

BOOL WINAPI SetEvent(HANDLE event) {
    return platform::setState(event, true);
}

BOOL WINAPI ResetEvent(HANDLE event) {
    return platform::setState(event, false);
}
