// The DirectShow stand-in's COM classes and its module "quartz.dll".
#include "dshow/filter_graph.h"
#include "dshow/standin_filters.h"
#include "win32/com_registry.h"
#include "win32/module_registry.h"

namespace dshow {
namespace {

template <D_CBaseFilter* (*Make)()>
HRESULT createFilter(IUnknown* outer, REFIID riid, void** ppv) {
    if (outer) return CLASS_E_NOAGGREGATION;
    D_CBaseFilter* filter = Make();
    filter->NonDelegatingAddRef();
    HRESULT hr = filter->NonDelegatingQueryInterface(riid, ppv);
    filter->NonDelegatingRelease();
    return hr;
}

}  // namespace

HRESULT CreateFilterGraph(IUnknown* outer, REFIID riid, void** ppv) {
    auto* graph = new FilterGraph(outer);
    graph->NonDelegatingAddRef();
    HRESULT hr =
        outer ? D_GetInterface(graph->Inner(), ppv) : graph->NonDelegatingQueryInterface(riid, ppv);
    graph->NonDelegatingRelease();
    return hr;
}

}  // namespace dshow

namespace platform {

void RegisterDirectShowComClasses() {
    struct Class {
        const CLSID* clsid;
        ComCreateFunction create;
    };
    const Class classes[] = {
        {&CLSID_FilterGraph, &dshow::CreateFilterGraph},
        {&CLSID_NullRenderer, &dshow::createFilter<&dshow::CreateNullRenderer>},
        {&CLSID_AsyncReader, &dshow::createFilter<&dshow::CreateFileSource>},
        {&CLSID_DSoundRender, &dshow::createFilter<&dshow::CreateAudioRenderer>},
        {&CLSID_MemoryAllocator, &D_CMemAllocator::CreateInstance},
        {&CLSID_SystemClock, &D_CSystemClock::CreateInstance},
    };
    for (const Class& c : classes) {
        RegisterComClass(*c.clsid, c.create);
        LinkComClassToModule(*c.clsid, "quartz.dll");
    }
}

void RegisterDirectShowModules() {
    // Nothing is looked up by name: the classes come through COM.
    RegisterModule("quartz.dll", {});
}

}  // namespace platform
