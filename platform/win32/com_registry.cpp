// The CLSID-to-creator table that CoCreateInstance consults.
#include "com_registry.h"

#include <cstring>
#include <map>
#include <mutex>

namespace platform {
namespace {

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const {
        return std::memcmp(&a, &b, sizeof a) < 0;
    }
};

struct ClassTable {
    std::mutex lock;
    std::map<GUID, ComCreateFunction, GuidLess> classes;
    std::map<GUID, std::string, GuidLess> modules;
};

ClassTable& table() {
    static ClassTable* t = new ClassTable;  // outlives every thread; never destroyed at exit
    return *t;
}

}  // namespace

void RegisterComClass(REFCLSID clsid, ComCreateFunction create) {
    ClassTable& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    if (create)
        t.classes[clsid] = create;
    else
        t.classes.erase(clsid);
}

ComCreateFunction FindComClass(REFCLSID clsid) {
    ClassTable& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.classes.find(clsid);
    return it == t.classes.end() ? nullptr : it->second;
}

void LinkComClassToModule(REFCLSID clsid, const char* module) {
    ClassTable& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    t.modules[clsid] = module;
}

std::string ComClassModule(REFCLSID clsid) {
    ClassTable& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    auto it = t.modules.find(clsid);
    return it == t.modules.end() ? std::string() : it->second;
}

void RegisterStandInComClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Each stand-in area adds one line here: Register<Area>ComClasses();
        RegisterD3D9ComClasses();
        RegisterDirectInputComClasses();
        RegisterDirectShowComClasses();
    });
}

}  // namespace platform
