// The stand-in's MP3 decoder: pulls Stream/MPEG1Audio, fixes its 16-bit PCM
// output from the first frame at connection, and decodes whole frames
// through MpegAudioFeed, so it gives what the compression manager gives.
#include <cstring>
#include <memory>

#include "audio/mpeg_audio_feed.h"
#include "dshow/pull_splitter.h"
#include "dshow/standin_filters.h"

namespace dshow {
namespace {

// Bytes of an ID3v2 tag at the start (header, syncsafe size, footer), or 0.
LONGLONG id3v2Size(const BYTE* head, LONG length) {
    if (length < 10 || std::memcmp(head, "ID3", 3) != 0) return 0;
    if ((head[6] | head[7] | head[8] | head[9]) & 0x80) return 0;
    LONGLONG size = (LONGLONG(head[6]) << 21) | (head[7] << 14) | (head[8] << 7) | head[9];
    return 10 + size + ((head[5] & 0x10) ? 10 : 0);
}

class Mp3Decoder : public PullSplitter {
  public:
    Mp3Decoder() : PullSplitter(kMp3DecoderName, CLSID_VessamireMp3Decoder, u"Audio") {}

  protected:
    HRESULT CheckInputType(const D_CMediaType* mt) override {
        if (mt->majortype != MEDIATYPE_Stream && mt->majortype != MEDIATYPE_Audio)
            return VFW_E_TYPE_NOT_ACCEPTED;
        return mt->subtype == MEDIASUBTYPE_MPEG1Audio ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }

    HRESULT ParseStream(IAsyncReader* reader, LONGLONG length) override {
        // The frames' places, read once: the duration and the seek table.
        std::vector<BYTE> head(size_t(std::min<LONGLONG>(length, 16)));
        if (head.empty() || reader->SyncRead(0, LONG(head.size()), head.data()) != S_OK)
            return VFW_E_INVALID_FILE_FORMAT;
        LONGLONG position = id3v2Size(head.data(), LONG(head.size()));
        frames_.clear();
        platform::MpegFrameHeader first{};
        std::vector<BYTE> window;
        while (position + 4 <= length) {
            window.resize(size_t(std::min<LONGLONG>(length - position, 8192)));
            if (FAILED(reader->SyncRead(position, LONG(window.size()), window.data()))) break;
            platform::MpegFrameHeader frame;
            ptrdiff_t at = platform::MpegAudioFeed::FindFrame(
                window.data(), window.size(), 0, first.sampleRate, first.channels, &frame);
            if (at < 0) {
                if (window.size() <= 3) break;
                position += LONGLONG(window.size()) - 3;
                continue;
            }
            if (position + at + frame.length > length) break;  // cut inside the frame
            if (frames_.empty()) first = frame;
            frames_.push_back(position + at);
            position += at + frame.length;
        }
        if (frames_.empty()) return VFW_E_INVALID_FILE_FORMAT;
        rate_ = first.sampleRate;
        channels_ = first.channels;
        samplesPerFrame_ = first.samples;
        end_ = position;
        WAVEFORMATEX wave{};
        wave.wFormatTag = WAVE_FORMAT_PCM;
        wave.nChannels = WORD(channels_);
        wave.nSamplesPerSec = DWORD(rate_);
        wave.wBitsPerSample = 16;
        wave.nBlockAlign = WORD(channels_ * 2);
        wave.nAvgBytesPerSec = DWORD(rate_) * wave.nBlockAlign;
        outputType_ = D_CMediaType();
        outputType_.majortype = MEDIATYPE_Audio;
        outputType_.subtype = MEDIASUBTYPE_PCM;
        outputType_.formattype = FORMAT_WaveFormatEx;
        outputType_.lSampleSize = wave.nBlockAlign;
        if (!outputType_.SetFormat(&wave, sizeof wave)) return E_OUTOFMEMORY;
        outputBufferSize_ = samplesPerFrame_ * channels_ * 2;
        duration_ = FrameTime(LONGLONG(frames_.size()));
        return S_OK;
    }

    LONGLONG PrepareSeek(REFERENCE_TIME start, REFERENCE_TIME* unitTime) override {
        LONGLONG frame = start * rate_ / (LONGLONG(samplesPerFrame_) * 10000000LL);
        frame = std::min<LONGLONG>(frame, LONGLONG(frames_.size()));
        frameIndex_ = frame;
        *unitTime = FrameTime(frame);
        pending_.clear();
        feed_ = std::make_unique<platform::MpegAudioFeed>();
        return frame < LONGLONG(frames_.size()) ? frames_[size_t(frame)] : end_;
    }

    LONGLONG StreamEnd() override { return end_; }

    HRESULT ProcessBytes(const BYTE* data, LONG length) override {
        pending_.insert(pending_.end(), data, data + length);
        size_t used = 0;
        HRESULT hr = S_OK;
        while (hr == S_OK) {
            platform::MpegFrameHeader frame;
            ptrdiff_t at = platform::MpegAudioFeed::FindFrame(pending_.data(), pending_.size(),
                                                              used, 0, 0, &frame);
            if (at < 0) {
                if (pending_.size() > used + 3) used = pending_.size() - 3;
                break;
            }
            if (size_t(at) + size_t(frame.length) > pending_.size()) {
                used = size_t(at);
                break;
            }
            if (frame.sampleRate != rate_ || frame.channels != channels_) {
                // Never label another rate or layout with the connected type.
                hr = VFW_E_INVALID_MEDIA_TYPE;
                break;
            }
            pcm_.clear();
            if (!feed_->ok() || !feed_->DecodeFrame(pending_.data() + at, frame, &pcm_))
                pcm_.assign(size_t(frame.samples) * size_t(frame.channels), 0);
            hr = DeliverUnit(reinterpret_cast<const BYTE*>(pcm_.data()), LONG(pcm_.size() * 2),
                             FrameTime(frameIndex_), FrameTime(frameIndex_ + 1));
            ++frameIndex_;
            used = size_t(at) + size_t(frame.length);
        }
        pending_.erase(pending_.begin(), pending_.begin() + std::min(used, pending_.size()));
        return hr;
    }

  private:
    REFERENCE_TIME FrameTime(LONGLONG frame) const {
        return frame * samplesPerFrame_ * 10000000LL / rate_;
    }

    std::vector<LONGLONG> frames_;
    int rate_ = 0, channels_ = 0, samplesPerFrame_ = 0;
    LONGLONG end_ = 0, frameIndex_ = 0;
    std::vector<BYTE> pending_;
    std::vector<int16_t> pcm_;
    std::unique_ptr<platform::MpegAudioFeed> feed_;
};

}  // namespace

D_CBaseFilter* CreateMp3Decoder() {
    return new Mp3Decoder();
}

}  // namespace dshow
