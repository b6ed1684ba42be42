// The engine's own video renderer: keeps the latest frame of a filter graph
// as top-down 24- or 32-bit RGB in a frame buffer of its own and raises a
// new-frame flag the movie module reads on the main thread.
#pragma once

#include <dshow_base_classes.h>

#include "image/image_record.h"

namespace DuRud {

// Format codes of the accepted subtypes.
enum MovieRendererFormat {
    kRendererRgb24 = 0,
    kRendererRgb32 = 1,
    kRendererYv12 = 2,
    kRendererNv12 = 3,
    kRendererYuy2 = 4,
    kRendererUyvy = 5,
    kRendererYvyu = 6,
    kRendererNv11 = 7,
};

class MovieRendererFilter : public D_CBaseVideoRenderer {
  public:
    explicit MovieRendererFilter(IUnknown* outer, HRESULT* result);
    // The frame buffer is freed only here, so a frame the movie module
    // borrowed stays valid across the graph's AddRef/Release pairs.
    ~MovieRendererFilter() override;
    HRESULT CheckMediaType(const D_CMediaType* type) override;
    HRESULT SetMediaType(const D_CMediaType* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;

    // Held while a sample is copied in, and by the reader of the frame.
    D_CCritSec frameLock;
    int mediaTypeSet = 0;
    int yuv = 0;
    BaseImage conversion{};
    int format = -1;
    uint8_t* frame = nullptr;
    int64_t frameCapacity = 0;
    int newFrame = 0;
    int bottomUp = 0;
    int width = 0, height = 0, pitch = 0;

  private:
    int PrepareBuffers();
};

// Null when out of memory.
MovieRendererFilter* CreateMovieRenderer(IUnknown* outer, HRESULT* result);

}  // namespace DuRud
