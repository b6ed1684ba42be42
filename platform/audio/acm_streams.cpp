// The compression manager stand-in ("msacm32.dll"): stream handles that turn
// MPEG audio (tag 0x55), IMA ADPCM (0x11), Microsoft ADPCM (0x02), A-law
// (0x06), mu-law (0x07) and GSM 6.10 (0x31) into 16-bit PCM. A
// conversion takes whole source blocks only while their output fits, so
// nothing stays back in a codec. All state lives in the streams, which
// several threads may use at once (one stream per thread at a time).
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "acm_g711.h"
#include "acm_gsm610.h"
#include "acm_ima_adpcm.h"
#include "acm_ms_adpcm.h"
#include "mpeg_audio_feed.h"
#include "msacm.h"
#include "test_knobs.h"
#include "../win32/module_registry.h"

namespace platform {

namespace {

std::atomic<long> g_convertedBytes{0};  // a test counter, not conversion state

enum class Codec { ImaAdpcm, MsAdpcm, ALaw, MuLaw, Gsm, Mpeg };

struct AcmStream {
    Codec codec;
    int channels;
    int rate;
    int blockAlign;       // block codecs: bytes per block
    int samplesPerBlock;  // block codecs: per channel; MPEG: of the first frame's kind
    int averageBytes;     // MPEG: source bytes per second
    std::vector<MsAdpcmCoefficients> coefficients;  // Microsoft ADPCM's predictor pairs
    std::unique_ptr<MpegAudioFeed> feed;
    std::unique_ptr<GsmDecoder> gsm;
    std::vector<int16_t> pcm;  // one block's or frame's output
};

struct LiveStreams {
    std::mutex lock;
    std::unordered_set<AcmStream*> streams;
};
LiveStreams& Live() {
    static LiveStreams* live = new LiveStreams;
    return *live;
}
AcmStream* StreamOf(HACMSTREAM handle) {
    auto* s = reinterpret_cast<AcmStream*>(handle);
    std::lock_guard<std::mutex> guard(Live().lock);
    return Live().streams.count(s) ? s : nullptr;
}

bool IsMpegRate(DWORD rate) {
    for (DWORD r : {44100u, 48000u, 32000u, 22050u, 24000u, 16000u, 11025u, 12000u, 8000u})
        if (r == rate) return true;
    return false;
}

// Microsoft ADPCM's extension: samples per block, the pair count, the pairs.
// The block size, the sample count and every pair must fit what the format
// holds; the format's own pairs are used, whatever they are.
bool DescribeMsAdpcm(const WAVEFORMATEX* src, AcmStream* out) {
    const auto* extension = reinterpret_cast<const uint8_t*>(src) + sizeof(WAVEFORMATEX);
    const int most = MsAdpcmSamplesPerBlock(src->nBlockAlign, src->nChannels);
    if (src->wBitsPerSample != 4 || src->cbSize < 4 || most == 0) return false;
    const int perBlock = extension[0] | extension[1] << 8;
    const int pairs = extension[2] | extension[3] << 8;
    if (perBlock < 2 || perBlock > most || pairs == 0 || pairs > 256 || src->cbSize < 4 + 4 * pairs)
        return false;
    out->coefficients.resize(size_t(pairs));
    for (int i = 0; i < pairs; ++i) {
        const uint8_t* p = extension + 4 + 4 * i;
        out->coefficients[i] = {int16_t(p[0] | p[1] << 8), int16_t(p[2] | p[3] << 8)};
    }
    out->codec = Codec::MsAdpcm;
    out->blockAlign = src->nBlockAlign;
    out->samplesPerBlock = perBlock;
    return true;
}

// The codec of a source format this stand-in converts, filling `out`;
// false for anything else.
bool DescribeSource(const WAVEFORMATEX* src, AcmStream* out) {
    if (src->nChannels < 1 || src->nSamplesPerSec == 0) return false;
    out->channels = src->nChannels;
    out->rate = int(src->nSamplesPerSec);
    // G.711 has no blocks of its own: one code per sample, any channel count.
    if ((src->wFormatTag == WAVE_FORMAT_ALAW || src->wFormatTag == WAVE_FORMAT_MULAW) &&
        src->wBitsPerSample == 8 && src->nBlockAlign == src->nChannels) {
        out->codec = src->wFormatTag == WAVE_FORMAT_ALAW ? Codec::ALaw : Codec::MuLaw;
        out->blockAlign = src->nChannels;
        out->samplesPerBlock = 1;
        return true;
    }
    if (src->nChannels > 2) return false;
    if (src->wFormatTag == WAVE_FORMAT_IMA_ADPCM) {
        const auto* ima = reinterpret_cast<const IMAADPCMWAVEFORMAT*>(src);
        int perBlock = ImaAdpcmSamplesPerBlock(src->nBlockAlign, src->nChannels);
        if (src->wBitsPerSample != 4 || src->cbSize < 2 || perBlock == 0 ||
            ima->wSamplesPerBlock != perBlock)
            return false;
        out->codec = Codec::ImaAdpcm;
        out->blockAlign = src->nBlockAlign;
        out->samplesPerBlock = perBlock;
        return true;
    }
    if (src->wFormatTag == WAVE_FORMAT_ADPCM) return DescribeMsAdpcm(src, out);
    if (src->wFormatTag == WAVE_FORMAT_GSM610) {
        // The extension holds the samples per block, which only one packing gives.
        const auto* extension = reinterpret_cast<const uint8_t*>(src) + sizeof(WAVEFORMATEX);
        if (src->nChannels != 1 || src->nBlockAlign != kGsmBlockBytes || src->cbSize < 2 ||
            (extension[0] | extension[1] << 8) != kGsmBlockSamples)
            return false;
        out->codec = Codec::Gsm;
        out->blockAlign = kGsmBlockBytes;
        out->samplesPerBlock = kGsmBlockSamples;
        return true;
    }
    if (src->wFormatTag == WAVE_FORMAT_MPEGLAYER3 && IsMpegRate(src->nSamplesPerSec)) {
        out->codec = Codec::Mpeg;
        out->blockAlign = 1;
        out->samplesPerBlock = src->nSamplesPerSec >= 32000 ? 1152 : 576;
        out->averageBytes = int(src->nAvgBytesPerSec);
        return true;
    }
    return false;
}

bool IsPcmFor(const WAVEFORMATEX* dst, const AcmStream& s) {
    return dst->wFormatTag == WAVE_FORMAT_PCM && dst->nChannels == s.channels &&
           int(dst->nSamplesPerSec) == s.rate && dst->wBitsPerSample == 16 &&
           dst->nBlockAlign == s.channels * 2;
}

MMRESULT CheckHeader(const ACMSTREAMHEADER* header) {
    if (header == nullptr || header->cbStruct != sizeof(ACMSTREAMHEADER))
        return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

// One whole block into s.pcm; false for a block that cannot be decoded,
// where the conversion stops.
bool DecodeBlock(AcmStream& s, const uint8_t* block) {
    switch (s.codec) {
        case Codec::ImaAdpcm:
            DecodeImaAdpcmBlock(block, s.channels, s.samplesPerBlock, s.pcm.data());
            return true;
        case Codec::MsAdpcm:
            return DecodeMsAdpcmBlock(block, s.channels, s.samplesPerBlock, s.coefficients,
                                      s.pcm.data());
        case Codec::ALaw:
        case Codec::MuLaw:
            ExpandG711(block, size_t(s.blockAlign), s.codec == Codec::ALaw, s.pcm.data());
            return true;
        case Codec::Gsm:
            return s.gsm->DecodeBlock(block, s.pcm.data());
        case Codec::Mpeg:
            break;
    }
    return false;
}

void ConvertBlocks(AcmStream& s, ACMSTREAMHEADER* h) {
    const size_t outBytes = size_t(s.samplesPerBlock) * s.channels * 2;
    s.pcm.resize(size_t(s.samplesPerBlock) * s.channels);
    DWORD used = 0, produced = 0;
    while (h->cbSrcLength - used >= DWORD(s.blockAlign) && h->cbDstLength - produced >= outBytes) {
        if (!DecodeBlock(s, h->pbSrc + used)) break;
        std::memcpy(h->pbDst + produced, s.pcm.data(), outBytes);
        used += DWORD(s.blockAlign);
        produced += DWORD(outBytes);
    }
    h->cbSrcLengthUsed = used;
    h->cbDstLengthUsed = produced;
}

void ConvertMpeg(AcmStream& s, ACMSTREAMHEADER* h) {
    const size_t size = h->cbSrcLength;
    size_t used = 0, produced = 0;
    for (;;) {
        MpegFrameHeader frame;
        ptrdiff_t at = MpegAudioFeed::FindFrame(h->pbSrc, size, used, s.rate, s.channels, &frame);
        if (at < 0) {
            // Junk up to the last three bytes, which may begin a header.
            if (size > used + 3) used = size - 3;
            break;
        }
        size_t end = size_t(at) + size_t(frame.length);
        size_t bytes = size_t(frame.samples) * size_t(frame.channels) * 2;
        if (end > size || h->cbDstLength - produced < bytes) {
            used = size_t(at);
            break;
        }
        s.pcm.clear();
        if (!s.feed->DecodeFrame(h->pbSrc + at, frame, &s.pcm)) {
            s.pcm.assign(bytes / 2, 0);
        }
        std::memcpy(h->pbDst + produced, s.pcm.data(), bytes);
        produced += bytes;
        used = end;
    }
    h->cbSrcLengthUsed = DWORD(used);
    h->cbDstLengthUsed = DWORD(produced);
}

}  // namespace

}  // namespace platform

using namespace platform;

MMRESULT WINAPI acmFormatSuggest(HACMDRIVER, LPWAVEFORMATEX source, LPWAVEFORMATEX destination,
                                 DWORD destinationSize, DWORD flags) {
    if (source == nullptr || destination == nullptr || destinationSize < 16)
        return MMSYSERR_INVALPARAM;
    if (flags & ~ACM_FORMATSUGGESTF_TYPEMASK) return MMSYSERR_INVALFLAG;
    AcmStream s{};
    if (!DescribeSource(source, &s)) return ACMERR_NOTPOSSIBLE;
    if ((flags & ACM_FORMATSUGGESTF_WFORMATTAG) && destination->wFormatTag != WAVE_FORMAT_PCM)
        return ACMERR_NOTPOSSIBLE;
    if ((flags & ACM_FORMATSUGGESTF_NCHANNELS) && destination->nChannels != s.channels)
        return ACMERR_NOTPOSSIBLE;
    if ((flags & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) && int(destination->nSamplesPerSec) != s.rate)
        return ACMERR_NOTPOSSIBLE;
    if ((flags & ACM_FORMATSUGGESTF_WBITSPERSAMPLE) && destination->wBitsPerSample != 16)
        return ACMERR_NOTPOSSIBLE;
    WAVEFORMATEX pcm{};
    pcm.wFormatTag = WAVE_FORMAT_PCM;
    pcm.nChannels = WORD(s.channels);
    pcm.nSamplesPerSec = DWORD(s.rate);
    pcm.wBitsPerSample = 16;
    pcm.nBlockAlign = WORD(s.channels * 2);
    pcm.nAvgBytesPerSec = pcm.nBlockAlign * pcm.nSamplesPerSec;
    std::memcpy(destination, &pcm, std::min<size_t>(destinationSize, sizeof pcm));
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI acmMetrics(HACMOBJ, UINT metric, LPVOID value) {
    if (value == nullptr) return MMSYSERR_INVALPARAM;
    if (metric != ACM_METRIC_MAX_SIZE_FORMAT) return MMSYSERR_NOTSUPPORTED;
    // Microsoft ADPCM with its seven standard pairs is the largest format the
    // codecs describe.
    *static_cast<DWORD*>(value) = DWORD(sizeof(WAVEFORMATEX) + 4 + 4 * 7);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI acmStreamOpen(LPHACMSTREAM stream, HACMDRIVER, LPWAVEFORMATEX source,
                              LPWAVEFORMATEX destination, LPWAVEFILTER filter, DWORD_PTR, DWORD_PTR,
                              DWORD flags) {
    if (flags & ~(ACM_STREAMOPENF_QUERY | ACM_STREAMOPENF_NONREALTIME)) return MMSYSERR_INVALFLAG;
    if (source == nullptr || destination == nullptr) return MMSYSERR_INVALPARAM;
    auto s = std::make_unique<AcmStream>();
    if (filter != nullptr || !DescribeSource(source, s.get()) || !IsPcmFor(destination, *s))
        return ACMERR_NOTPOSSIBLE;
    if (flags & ACM_STREAMOPENF_QUERY) return MMSYSERR_NOERROR;
    if (stream == nullptr) return MMSYSERR_INVALPARAM;
    if (s->codec == Codec::Mpeg) {
        s->feed = std::make_unique<MpegAudioFeed>();
        if (!s->feed->ok()) return MMSYSERR_NOMEM;
    }
    if (s->codec == Codec::Gsm) {
        s->gsm = std::make_unique<GsmDecoder>();
        if (!s->gsm->ok()) return MMSYSERR_NOMEM;
    }
    {
        std::lock_guard<std::mutex> guard(Live().lock);
        Live().streams.insert(s.get());
    }
    *stream = reinterpret_cast<HACMSTREAM>(s.release());
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI acmStreamClose(HACMSTREAM stream, DWORD flags) {
    if (flags != 0) return MMSYSERR_INVALFLAG;
    auto* s = reinterpret_cast<AcmStream*>(stream);
    {
        std::lock_guard<std::mutex> guard(Live().lock);
        if (Live().streams.erase(s) == 0) return MMSYSERR_INVALHANDLE;
    }
    delete s;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI acmStreamSize(HACMSTREAM stream, DWORD input, LPDWORD output, DWORD flags) {
    AcmStream* s = StreamOf(stream);
    if (s == nullptr) return MMSYSERR_INVALHANDLE;
    if (output == nullptr) return MMSYSERR_INVALPARAM;
    DWORD query = flags & ACM_STREAMSIZEF_QUERYMASK;
    if ((flags & ~ACM_STREAMSIZEF_QUERYMASK) || query > ACM_STREAMSIZEF_DESTINATION)
        return MMSYSERR_INVALFLAG;
    uint64_t pcmPerBlock = uint64_t(s->samplesPerBlock) * s->channels * 2;
    // Source bytes per block: a codec's block, or the average MPEG frame.
    const bool blocks = s->codec != Codec::Mpeg;
    uint64_t sourcePerBlock =
        blocks ? uint64_t(s->blockAlign) : uint64_t(s->averageBytes) * s->samplesPerBlock / s->rate;
    if (sourcePerBlock == 0) return ACMERR_NOTPOSSIBLE;
    uint64_t result;
    if (query == ACM_STREAMSIZEF_SOURCE) {
        uint64_t count =
            blocks ? input / sourcePerBlock : (input + sourcePerBlock - 1) / sourcePerBlock;
        result = count * pcmPerBlock;
    } else {
        result = (input + pcmPerBlock - 1) / pcmPerBlock * sourcePerBlock;
    }
    if (result > 0xFFFFFFFFu) return ACMERR_NOTPOSSIBLE;
    *output = DWORD(result);
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI acmStreamPrepareHeader(HACMSTREAM stream, LPACMSTREAMHEADER header, DWORD flags) {
    if (StreamOf(stream) == nullptr) return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = CheckHeader(header)) return r;
    if (flags != 0) return MMSYSERR_INVALFLAG;
    if (header->pbSrc == nullptr || header->pbDst == nullptr) return MMSYSERR_INVALPARAM;
    header->fdwStatus =
        (header->fdwStatus | ACMSTREAMHEADER_STATUSF_PREPARED) & ~ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI acmStreamUnprepareHeader(HACMSTREAM stream, LPACMSTREAMHEADER header, DWORD flags) {
    if (StreamOf(stream) == nullptr) return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = CheckHeader(header)) return r;
    if (flags != 0) return MMSYSERR_INVALFLAG;
    if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
    header->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT WINAPI acmStreamConvert(HACMSTREAM stream, LPACMSTREAMHEADER header, DWORD flags) {
    AcmStream* s = StreamOf(stream);
    if (s == nullptr) return MMSYSERR_INVALHANDLE;
    if (MMRESULT r = CheckHeader(header)) return r;
    if (flags &
        ~(ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END))
        return MMSYSERR_INVALFLAG;
    if (!(header->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
    // Whole blocks only, with or without BLOCKALIGN: a partial block or frame
    // is left for the caller to hand over again with the bytes that follow.
    if (s->codec != Codec::Mpeg) {
        ConvertBlocks(*s, header);
    } else {
        ConvertMpeg(*s, header);
    }
    g_convertedBytes += long(header->cbDstLengthUsed);
    header->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return MMSYSERR_NOERROR;
}

long KnobAcmConvertedBytes() {
    return g_convertedBytes.load();
}

namespace platform {

void RegisterAcmModules() {
    RegisterModule("msacm32.dll",
                   {
                       {"acmFormatSuggest", ExportOf(&acmFormatSuggest)},
                       {"acmMetrics", ExportOf(&acmMetrics)},
                       {"acmStreamOpen", ExportOf(&acmStreamOpen)},
                       {"acmStreamClose", ExportOf(&acmStreamClose)},
                       {"acmStreamSize", ExportOf(&acmStreamSize)},
                       {"acmStreamPrepareHeader", ExportOf(&acmStreamPrepareHeader)},
                       {"acmStreamUnprepareHeader", ExportOf(&acmStreamUnprepareHeader)},
                       {"acmStreamConvert", ExportOf(&acmStreamConvert)},
                   });
}

}  // namespace platform
