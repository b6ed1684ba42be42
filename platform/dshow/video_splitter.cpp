// The stand-in's splitter for the project's raw test video ("VSMRAWV1"):
// one sync-point sample per frame, frame k at k x 10^7 x den / num.
#include <cstring>

#include "dshow/pull_splitter.h"
#include "dshow/standin_filters.h"

namespace dshow {
namespace {

constexpr LONG kHeaderBytes = 40;

uint32_t le32(const BYTE* p) {
    return uint32_t(p[0]) | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}

// The subtype and bytes of one frame for a layout; false for one we do not know.
bool frameLayout(uint32_t fourcc, uint32_t bits, int64_t width, int64_t height, GUID* subtype,
                 int64_t* bytes) {
    const int64_t pixels = width * height;
    struct Planar {
        uint32_t fourcc;
        const GUID* subtype;
        uint32_t bits;
    };
    static const Planar kFourCc[] = {
        {0x32595559, &MEDIASUBTYPE_YUY2, 16}, {0x59565955, &MEDIASUBTYPE_UYVY, 16},
        {0x55595659, &MEDIASUBTYPE_YVYU, 16}, {0x32315659, &MEDIASUBTYPE_YV12, 12},
        {0x3231564E, &MEDIASUBTYPE_NV12, 12}, {0x3131564E, &MEDIASUBTYPE_NV11, 12},
    };
    if (fourcc == 0) {
        if (bits == 24)
            *subtype = MEDIASUBTYPE_RGB24;
        else if (bits == 32)
            *subtype = MEDIASUBTYPE_RGB32;
        else if (bits == 16)
            *subtype = MEDIASUBTYPE_RGB565;
        else
            return false;
        *bytes = ((width * bits / 8 + 3) & ~int64_t(3)) * height;
        return true;
    }
    for (const Planar& p : kFourCc) {
        if (p.fourcc != fourcc || p.bits != bits) continue;
        // Chroma is subsampled by 2 across (4 for NV11) and, for 4:2:0, down.
        if (width % (fourcc == 0x3131564E ? 4 : 2) != 0) return false;
        if (bits == 12 && fourcc != 0x3131564E && height % 2 != 0) return false;
        *subtype = *p.subtype;
        *bytes = pixels * bits / 8;
        return true;
    }
    return false;
}

class VideoSplitter : public PullSplitter {
  public:
    VideoSplitter() : PullSplitter(kVideoSplitterName, CLSID_VessamireVideoSplitter, u"Video") {}

  protected:
    HRESULT CheckInputType(const D_CMediaType* mt) override {
        return mt->majortype == MEDIATYPE_Stream && mt->subtype == MEDIASUBTYPE_VessamireRawVideo
                   ? S_OK
                   : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT ParseStream(IAsyncReader* reader, LONGLONG length) override {
        BYTE h[kHeaderBytes];
        if (length < kHeaderBytes || reader->SyncRead(0, kHeaderBytes, h) != S_OK ||
            std::memcmp(h, "VSMRAWV1", 8) != 0)
            return VFW_E_INVALID_FILE_FORMAT;
        const int32_t width = int32_t(le32(h + 8)), height = int32_t(le32(h + 12));
        const uint32_t fourcc = le32(h + 16), bits = le32(h + 20);
        num_ = le32(h + 24);
        den_ = le32(h + 28);
        const uint32_t count = le32(h + 32), frameBytes = le32(h + 36);
        GUID subtype;
        int64_t layoutBytes = 0;
        if (num_ == 0 || den_ == 0 || width <= 0 || width > 65536 || height == 0 ||
            height < -65536 || height > 65536 ||
            !frameLayout(fourcc, bits, width, height < 0 ? -int64_t(height) : height, &subtype,
                         &layoutBytes) ||
            layoutBytes > 0x7FFFFFFF || layoutBytes != int64_t(frameBytes) || frameBytes == 0)
            return VFW_E_INVALID_FILE_FORMAT;
        frameBytes_ = frameBytes;
        // Frames the file does not hold are cut off.
        frames_ = std::min<LONGLONG>(count, (length - kHeaderBytes) / frameBytes_);
        VIDEOINFOHEADER info{};
        info.AvgTimePerFrame = FrameTime(1);
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = WORD(bits);
        info.bmiHeader.biCompression = fourcc;
        info.bmiHeader.biSizeImage = frameBytes;
        outputType_ = D_CMediaType();
        outputType_.majortype = MEDIATYPE_Video;
        outputType_.subtype = subtype;
        outputType_.formattype = FORMAT_VideoInfo;
        outputType_.lSampleSize = frameBytes;
        if (!outputType_.SetFormat(&info, sizeof info)) return E_OUTOFMEMORY;
        outputBufferSize_ = LONG(frameBytes);
        duration_ = FrameTime(frames_);
        return S_OK;
    }

    LONGLONG PrepareSeek(REFERENCE_TIME start, REFERENCE_TIME* unitTime) override {
        // The frame showing at `start`.
        LONGLONG frame = LONGLONG(start / 10000000.0L * num_ / den_);
        while (frame > 0 && FrameTime(frame) > start) --frame;
        while (frame < frames_ && FrameTime(frame + 1) <= start) ++frame;
        frame = std::min(frame, frames_);
        frameIndex_ = frame;
        *unitTime = FrameTime(frame);
        pending_.clear();
        return kHeaderBytes + frame * frameBytes_;
    }

    LONGLONG StreamEnd() override { return kHeaderBytes + frames_ * frameBytes_; }

    HRESULT ProcessBytes(const BYTE* data, LONG length) override {
        HRESULT hr = S_OK;
        while (length > 0 && hr == S_OK) {
            LONG take = LONG(std::min<LONGLONG>(length, frameBytes_ - LONGLONG(pending_.size())));
            pending_.insert(pending_.end(), data, data + take);
            data += take;
            length -= take;
            if (LONGLONG(pending_.size()) == frameBytes_) {
                hr = DeliverUnit(pending_.data(), LONG(frameBytes_), FrameTime(frameIndex_),
                                 FrameTime(frameIndex_ + 1));
                ++frameIndex_;
                pending_.clear();
            }
        }
        return hr;
    }

  private:
    REFERENCE_TIME FrameTime(LONGLONG frame) const {
        return REFERENCE_TIME((__int128)frame * 10000000 * den_ / num_);
    }

    uint32_t num_ = 0, den_ = 0;
    LONGLONG frameBytes_ = 0, frames_ = 0, frameIndex_ = 0;
    std::vector<BYTE> pending_;
};

}  // namespace

D_CBaseFilter* CreateVideoSplitter() {
    return new VideoSplitter();
}

}  // namespace dshow
