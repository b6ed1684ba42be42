// Refusal knobs of DirectInput 8: the class itself, or single methods for the
// devices of one class.
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "../win32/com_registry.h"
#include "direct_input_internal.h"
#include "test_knobs.h"

namespace platform::input::dinput {

namespace {

struct Refusal {
    int deviceClass;  // 0: any
    int times;        // -1: every call
};

std::mutex& KnobMutex() {
    static auto* mutex = new std::mutex();
    return *mutex;
}
std::multimap<std::string, Refusal>& Refusals() {
    static auto* refusals = new std::multimap<std::string, Refusal>();
    return *refusals;
}
bool g_classRefused = false;

constexpr const char* kMethods[] = {
    "Initialize",
    "CreateDevice",
    "EnumDevices",
    "SetDataFormat",
    "SetCooperativeLevel",
    "SetProperty",
    "SetEventNotification",
    "Acquire",
    "Unacquire",
    "GetDeviceState",
    "GetDeviceInfo",
    "Poll",
    "CreateEffect",
    "SetParameters",
    "Start",
    "Stop",
};

}  // namespace

HRESULT RefusedStep(const char* method, int deviceClass) {
    std::lock_guard<std::mutex> lock(KnobMutex());
    auto range = Refusals().equal_range(method);
    for (auto it = range.first; it != range.second; ++it) {
        Refusal& r = it->second;
        if (r.deviceClass != 0 && r.deviceClass != deviceClass) continue;
        if (r.times == 0) continue;
        if (r.times > 0) --r.times;
        return DIERR_GENERIC;
    }
    return DI_OK;
}

bool ClassRefused() {
    std::lock_guard<std::mutex> lock(KnobMutex());
    return g_classRefused;
}

void ResetDirectInputKnobs() {
    std::lock_guard<std::mutex> lock(KnobMutex());
    Refusals().clear();
    g_classRefused = false;
}

void ApplyDirectInputEnvironment() {
    const char* text = std::getenv("VESSAMIRE_DINPUT_REFUSE");
    if (!text) return;
    // Comma list of "class" or "Method[:deviceClass]".
    std::string list = text;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        std::string item = list.substr(start, end - start);
        start = end + 1;
        if (item.empty()) continue;
        if (item == "class") {
            KnobDirectInputRefuseClass(true);
            continue;
        }
        size_t colon = item.find(':');
        int deviceClass = colon == std::string::npos ? 0 : std::atoi(item.c_str() + colon + 1);
        KnobDirectInputRefuse(item.substr(0, colon).c_str(), deviceClass, -1);
    }
}

}  // namespace platform::input::dinput

void KnobDirectInputRefuseClass(bool refuse) {
    std::lock_guard<std::mutex> lock(platform::input::dinput::KnobMutex());
    platform::input::dinput::g_classRefused = refuse;
}

bool KnobDirectInputRefuse(const char* method, int deviceClass, int times) {
    using namespace platform::input::dinput;
    if (!method || deviceClass < 0 || deviceClass > 4 || times < -1) return false;
    bool known = false;
    for (const char* m : kMethods) known = known || std::strcmp(m, method) == 0;
    if (!known) return false;
    std::lock_guard<std::mutex> lock(KnobMutex());
    Refusals().emplace(method, Refusal{deviceClass, times});
    return true;
}
