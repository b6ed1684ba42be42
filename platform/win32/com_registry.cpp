// The CLSID-to-creator table that CoCreateInstance consults.
#include "com_registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>

#include "test_knobs.h"

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
    std::set<GUID, GuidLess> hidden;  // tests make these absent
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
    if (it == t.classes.end() || t.hidden.count(clsid)) return nullptr;
    return it->second;
}

void ResetComKnobs() {
    ClassTable& t = table();
    std::lock_guard<std::mutex> g(t.lock);
    t.hidden.clear();
}

void ApplyComEnvironment() {
    const char* list = std::getenv("VESSAMIRE_HIDE_CLASS");
    if (!list) return;
    std::istringstream in(list);
    for (std::string item; std::getline(in, item, ',');) {
        unsigned d1, d2, d3, b[8];
        GUID clsid{};
        if (std::sscanf(item.c_str(), "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x", &d1, &d2, &d3, &b[0],
                        &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7]) != 11) {
            continue;
        }
        clsid.Data1 = d1;
        clsid.Data2 = static_cast<WORD>(d2);
        clsid.Data3 = static_cast<WORD>(d3);
        for (int i = 0; i < 8; ++i) clsid.Data4[i] = static_cast<BYTE>(b[i]);
        KnobHideComClass(clsid, true);
    }
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
        RegisterAudioComClasses();
    });
}

}  // namespace platform

void KnobHideComClass(const GUID& clsid, bool hidden) {
    platform::ClassTable& t = platform::table();
    std::lock_guard<std::mutex> g(t.lock);
    if (hidden)
        t.hidden.insert(clsid);
    else
        t.hidden.erase(clsid);
}
