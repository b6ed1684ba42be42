// The DirectShow stand-in's test knobs as its filters see them: the trace of
// connections and states, hidden stand-in filters, the abort-after-N-samples
// error, and the per-renderer sample counts.
#pragma once

#include <string>

#include "dshow.h"

namespace dshow {

void Trace(const std::string& line);
void TraceState(const std::u16string& filter, const char* state, HRESULT hr);
void TraceConnection(IPin* from, IPin* to, HRESULT hr);
// UTF-16 names to UTF-8 for the trace and the knobs.
std::string Utf8(const std::u16string& text);

// Whether Connect and Render may use a stand-in filter of this name.
bool FilterHidden(const char* name);
// Samples after which the named filter aborts its stream; -1: never.
int AbortAfter(const char* name);
// Counts one rendered sample for the named renderer and wakes waiters.
void CountRendered(const std::u16string& renderer);

void ResetKnobs();
void ApplyEnvironment();

}  // namespace dshow
