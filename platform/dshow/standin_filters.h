// The stand-in's own filters, made directly (never through CoCreateInstance,
// so the graph works on any thread) and their names for the knobs.
#pragma once

#include "dshow_base_classes.h"

namespace dshow {

inline constexpr const char* kFileSourceName = "File Source";
inline constexpr const char* kMp3DecoderName = "MP3 Decoder";
inline constexpr const char* kVideoSplitterName = "Video Splitter";
inline constexpr const char* kAudioRendererName = "Audio Renderer";
inline constexpr const char* kNullRendererName = "Null Renderer";

// Each returns a filter without a reference (the caller takes the first).
D_CBaseFilter* CreateFileSource();
D_CBaseFilter* CreateMp3Decoder();
D_CBaseFilter* CreateVideoSplitter();
D_CBaseFilter* CreateAudioRenderer();
D_CBaseFilter* CreateNullRenderer();

// COM creation of the classes above and of the graph (registration.cpp).
HRESULT CreateFilterGraph(IUnknown* outer, REFIID riid, void** ppv);

}  // namespace dshow
