// The DirectShow stand-in's knobs: trace, hidden filters, stream aborts and
// rendered-sample counts (waited for on the layer's clock).
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "dshow/graph_trace.h"
#include "dshow_base_classes.h"
#include "test_knobs.h"
#include "win32/clock.h"
#include "win32/code_pages.h"

namespace {

struct Knobs {
    std::mutex lock;
    std::condition_variable changed;
    bool trace = false;
    bool traceToStderr = false;
    std::vector<std::string> lines;
    std::set<std::string> hidden;
    std::map<std::string, int> abortAfter;
    std::map<std::string, long> rendered;
};

Knobs& knobs() {
    static Knobs* k = new Knobs;  // used by streaming threads until the process ends
    return *k;
}

std::string pinName(IPin* pin) {
    PIN_INFO info;
    if (!pin || FAILED(pin->QueryPinInfo(&info))) return "?";
    std::string name = "?";
    if (info.pFilter) {
        FILTER_INFO f;
        if (SUCCEEDED(info.pFilter->QueryFilterInfo(&f))) {
            name = dshow::Utf8(f.achName);
            if (f.pGraph) f.pGraph->Release();
        }
        info.pFilter->Release();
    }
    return name + "." + dshow::Utf8(info.achName);
}

std::string hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", unsigned(hr));
    return text;
}

}  // namespace

namespace dshow {

std::string Utf8(const std::u16string& text) {
    std::string out;
    platform::CodePageEncode(65001, text, false, "?", nullptr, out);
    return out;
}

void Trace(const std::string& line) {
    Knobs& k = knobs();
    std::lock_guard<std::mutex> g(k.lock);
    if (k.trace) k.lines.push_back(line);
    if (k.traceToStderr) std::fprintf(stderr, "dshow: %s\n", line.c_str());
}

void TraceState(const std::u16string& filter, const char* state, HRESULT hr) {
    Trace(Utf8(filter) + " " + state + " -> " + hex(hr));
}

void TraceConnection(IPin* from, IPin* to, HRESULT hr) {
    Trace("Connect " + pinName(from) + " -> " + pinName(to) + " -> " + hex(hr));
}

bool FilterHidden(const char* name) {
    Knobs& k = knobs();
    std::lock_guard<std::mutex> g(k.lock);
    return k.hidden.count(name) != 0;
}

int AbortAfter(const char* name) {
    Knobs& k = knobs();
    std::lock_guard<std::mutex> g(k.lock);
    auto it = k.abortAfter.find(name);
    return it == k.abortAfter.end() ? -1 : it->second;
}

void CountRendered(const std::u16string& renderer) {
    Knobs& k = knobs();
    std::lock_guard<std::mutex> g(k.lock);
    ++k.rendered[Utf8(renderer)];
    k.changed.notify_all();
}

void ResetKnobs() {
    Knobs& k = knobs();
    std::lock_guard<std::mutex> g(k.lock);
    k.trace = k.traceToStderr = false;
    k.lines.clear();
    k.hidden.clear();
    k.abortAfter.clear();
    k.rendered.clear();
}

void ApplyEnvironment() {
    if (const char* v = std::getenv("VESSAMIRE_DSHOW_TRACE"); v && std::strcmp(v, "0") != 0 && *v) {
        std::lock_guard<std::mutex> g(knobs().lock);
        knobs().traceToStderr = true;
    }
    if (const char* v = std::getenv("VESSAMIRE_DSHOW_HIDE")) {
        std::string list = v;
        size_t at = 0;
        while (at <= list.size()) {
            size_t comma = list.find(',', at);
            if (comma == std::string::npos) comma = list.size();
            if (comma > at) KnobDshowHideFilter(list.substr(at, comma - at).c_str(), true);
            at = comma + 1;
        }
    }
    if (const char* v = std::getenv("VESSAMIRE_DSHOW_ABORT")) {
        const char* colon = std::strchr(v, ':');
        if (colon) KnobDshowAbortAfter(std::string(v, colon).c_str(), std::atoi(colon + 1));
    }
}

}  // namespace dshow

void KnobDshowHideFilter(const char* name, bool hidden) {
    if (!name) return;
    Knobs& k = knobs();
    std::lock_guard<std::mutex> g(k.lock);
    if (hidden)
        k.hidden.insert(name);
    else
        k.hidden.erase(name);
}

void KnobDshowAbortAfter(const char* name, int samples) {
    if (!name) return;
    Knobs& k = knobs();
    std::lock_guard<std::mutex> g(k.lock);
    if (samples < 0)
        k.abortAfter.erase(name);
    else
        k.abortAfter[name] = samples;
}

void KnobDshowTrace(bool on) {
    Knobs& k = knobs();
    std::lock_guard<std::mutex> g(k.lock);
    k.trace = on;
    k.lines.clear();
}

std::vector<std::string> KnobDshowTakeTrace() {
    Knobs& k = knobs();
    std::lock_guard<std::mutex> g(k.lock);
    std::vector<std::string> out;
    out.swap(k.lines);
    return out;
}

long KnobDshowRenderedSamples(const char* renderer) {
    Knobs& k = knobs();
    std::lock_guard<std::mutex> g(k.lock);
    auto it = k.rendered.find(renderer ? renderer : "");
    return it == k.rendered.end() ? 0 : it->second;
}

bool KnobDshowWaitRenderedSamples(const char* renderer, long count, DWORD timeoutMs) {
    Knobs& k = knobs();
    std::unique_lock<std::mutex> g(k.lock);
    std::string name = renderer ? renderer : "";
    return platform::ClockWaitFor(g, k.changed, timeoutMs,
                                  [&] { return k.rendered[name] >= count; });
}

long KnobDshowLiveObjects() {
    return D_CUnknown::LiveObjects();
}
