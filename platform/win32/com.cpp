// COM start-up per thread, object creation through the class registry, and
// task memory.
#include <atomic>
#include <cstdlib>

#include "com_registry.h"
#include "module_registry.h"
#include "win_com.h"

namespace {

// Threads in the multithreaded apartment. While there are any, a thread that
// never initialised COM may still create objects (the implicit apartment).
std::atomic<int> multithreadedThreads{0};

// Per thread: how many successful CoInitialize(Ex) calls are outstanding and
// in which model (-1: none). A thread that ends without CoUninitialize
// leaves its apartment anyway.
struct ThreadApartment {
    int initCount = 0;
    int model = -1;
    ~ThreadApartment() {
        if (initCount > 0 && model == COINIT_MULTITHREADED) --multithreadedThreads;
    }
};
thread_local ThreadApartment apartment;

constexpr DWORD kKnownFlags =
    COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;

}  // namespace

HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit) {
    if (reserved || (coInit & ~kKnownFlags) != 0) return E_INVALIDARG;
    int model =
        (coInit & COINIT_APARTMENTTHREADED) ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
    if (apartment.initCount > 0) {
        if (model != apartment.model) return RPC_E_CHANGED_MODE;
        ++apartment.initCount;
        return S_FALSE;
    }
    apartment.initCount = 1;
    apartment.model = model;
    if (model == COINIT_MULTITHREADED) ++multithreadedThreads;
    return S_OK;
}

HRESULT WINAPI CoInitialize(LPVOID reserved) {
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

void WINAPI CoUninitialize() {
    if (apartment.initCount == 0) return;  // unbalanced: Windows ignores it too
    if (--apartment.initCount == 0) {
        if (apartment.model == COINIT_MULTITHREADED) --multithreadedThreads;
        apartment.model = -1;
    }
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid,
                                LPVOID* object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (apartment.initCount == 0 && multithreadedThreads.load() == 0) return CO_E_NOTINITIALIZED;
    // Aggregation hands out IUnknown only.
    if (outer && !IsEqualIID(riid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    platform::RegisterStandInComClasses();
    platform::ComCreateFunction create = platform::FindComClass(clsid);
    // Every stand-in class lives in this process.
    if (!create || (clsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
    // A class whose module a test hid is not registered either.
    std::string module = platform::ComClassModule(clsid);
    if (!module.empty() && platform::ModuleHidden(module.c_str())) return REGDB_E_CLASSNOTREG;
    HRESULT hr = create(outer, riid, object);
    if (FAILED(hr)) *object = nullptr;
    return hr;
}

LPVOID WINAPI CoTaskMemAlloc(SIZE_T size) {
    // A request of zero bytes still gives a block that can be freed.
    return std::malloc(size ? size : 1);
}

LPVOID WINAPI CoTaskMemRealloc(LPVOID block, SIZE_T size) {
    if (!block) return CoTaskMemAlloc(size);
    if (size == 0) {
        std::free(block);
        return nullptr;
    }
    return std::realloc(block, size);
}

void WINAPI CoTaskMemFree(LPVOID block) {
    std::free(block);
}

void WINAPI CoFreeUnusedLibraries() {}
