// The registry of stand-in modules: names, exports, load counts, and the
// test knobs that hide a module or an export. LoadLibraryA and friends live
// here too, since they are thin look-ups in this table.
#include "module_registry.h"

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

#include "test_knobs.h"
#include "win_kernel.h"

namespace platform {
namespace {

struct Module {
    std::string name;  // canonical
    std::map<std::string, FARPROC> exports;
    bool resident = false;
    int loads = 0;
};

struct Registry {
    std::mutex lock;
    // Records are never freed, so a module handle (the record's address)
    // stays comparable for the life of the process; handles are only ever
    // looked up, never dereferenced unchecked.
    std::map<std::string, std::unique_ptr<Module>> byName;
    std::set<const Module*> records;
    std::set<std::string> hiddenModules;
    std::set<std::pair<std::string, std::string>> hiddenExports;
    Module program;  // the executable: GetModuleHandleA(nullptr)
};

Registry& registry() {
    static Registry* r = [] {
        auto* created = new Registry;  // outlives every thread; never destroyed at exit
        created->program.name = "vessamire.exe";
        created->program.resident = true;
        created->records.insert(&created->program);
        return created;
    }();
    return *r;
}

HMODULE handleOf(const Module* m) {
    return reinterpret_cast<HMODULE>(const_cast<Module*>(m));
}

// Caller holds the lock.
Module* findByHandle(Registry& r, HMODULE h) {
    auto it = r.records.find(reinterpret_cast<const Module*>(h));
    return it == r.records.end() ? nullptr : const_cast<Module*>(*it);
}

bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool loaded(const Module& m) {
    return m.resident || m.loads > 0;
}

}  // namespace

std::string CanonicalModuleName(const char* name) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':') {
            out.clear();  // a directory or drive prefix
            continue;
        }
        if (isLeadByte(*p) && p[1] != 0) {
            // A code page 932 pair: its trail byte may be 0x5C and is no separator.
            out += static_cast<char>(*p);
            out += static_cast<char>(*++p);
            continue;
        }
        out += (*p >= 'A' && *p <= 'Z') ? static_cast<char>(*p - 'A' + 'a') : static_cast<char>(*p);
    }
    if (out.size() > 4 && out.compare(out.size() - 4, 4, ".dll") == 0) out.resize(out.size() - 4);
    return out;
}

void RegisterModule(const char* name, std::initializer_list<ModuleExport> exports, bool resident) {
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    std::string key = CanonicalModuleName(name);
    auto& slot = r.byName[key];
    if (!slot) {
        slot = std::make_unique<Module>();
        slot->name = key;
        r.records.insert(slot.get());
    }
    slot->resident = slot->resident || resident;
    for (const ModuleExport& e : exports) {
        if (e.name && e.proc) slot->exports[e.name] = e.proc;
    }
}

void ResetModuleKnobs() {
    Registry& r = registry();
    std::lock_guard<std::mutex> g(r.lock);
    r.hiddenModules.clear();
    r.hiddenExports.clear();
}

void ApplyModuleEnvironment() {
    const char* list = std::getenv("VESSAMIRE_HIDE");
    if (!list) return;
    std::string all = list;
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(',', start);
        if (end == std::string::npos) end = all.size();
        std::string item = all.substr(start, end - start);
        while (!item.empty() && item.front() == ' ') item.erase(item.begin());
        while (!item.empty() && item.back() == ' ') item.pop_back();
        if (!item.empty()) KnobHideModule(item.c_str(), true);
        start = end + 1;
    }
}

}  // namespace platform

using platform::Module;
using platform::Registry;

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
    platform::RegisterStandInModules();
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Registry& r = platform::registry();
    std::string key = platform::CanonicalModuleName(fileName);
    std::lock_guard<std::mutex> g(r.lock);
    auto it = r.byName.find(key);
    if (it == r.byName.end() || r.hiddenModules.count(key)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++it->second->loads;
    return platform::handleOf(it->second.get());
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
    platform::RegisterStandInModules();
    Registry& r = platform::registry();
    std::lock_guard<std::mutex> g(r.lock);
    Module* m = platform::findByHandle(r, module);
    if (!m || !platform::loaded(*m)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Values below 0x10000 are ordinals; no stand-in exports by ordinal.
    if (reinterpret_cast<uintptr_t>(procName) < 0x10000) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    auto e = m->exports.find(procName);
    if (e == m->exports.end() || r.hiddenExports.count({m->name, procName})) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return e->second;
}

BOOL WINAPI FreeLibrary(HMODULE module) {
    platform::RegisterStandInModules();
    Registry& r = platform::registry();
    std::lock_guard<std::mutex> g(r.lock);
    Module* m = platform::findByHandle(r, module);
    if (!m || !platform::loaded(*m)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (m->loads > 0) --m->loads;  // a resident module stays loaded
    return TRUE;
}

HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    platform::RegisterStandInModules();
    Registry& r = platform::registry();
    std::lock_guard<std::mutex> g(r.lock);
    if (!moduleName) return platform::handleOf(&r.program);
    std::string key = platform::CanonicalModuleName(moduleName);
    auto it = r.byName.find(key);
    if (it == r.byName.end() || !platform::loaded(*it->second) || r.hiddenModules.count(key)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return platform::handleOf(it->second.get());
}

bool platform::ModuleHidden(const char* name) {
    Registry& r = platform::registry();
    std::string key = platform::CanonicalModuleName(name);
    std::lock_guard<std::mutex> g(r.lock);
    return r.hiddenModules.count(key) != 0;
}

void KnobHideModule(const char* name, bool hidden) {
    if (!name) return;
    Registry& r = platform::registry();
    std::string key = platform::CanonicalModuleName(name);
    std::lock_guard<std::mutex> g(r.lock);
    if (hidden)
        r.hiddenModules.insert(key);
    else
        r.hiddenModules.erase(key);
}

void KnobHideExport(const char* module, const char* name, bool hidden) {
    if (!module || !name) return;
    Registry& r = platform::registry();
    std::pair<std::string, std::string> key{platform::CanonicalModuleName(module), name};
    std::lock_guard<std::mutex> g(r.lock);
    if (hidden)
        r.hiddenExports.insert(key);
    else
        r.hiddenExports.erase(key);
}

int KnobModuleLoadCount(const char* name) {
    if (!name) return -1;
    platform::RegisterStandInModules();
    Registry& r = platform::registry();
    std::string key = platform::CanonicalModuleName(name);
    std::lock_guard<std::mutex> g(r.lock);
    auto it = r.byName.find(key);
    return it == r.byName.end() ? -1 : it->second->loads;
}
