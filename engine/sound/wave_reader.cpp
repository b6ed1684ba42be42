// WAVE files: the chunk walk that both WAVE readers share, and kind 0, which
// hands on PCM as it stands and turns 32-bit float into 16-bit PCM.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "DuRud.h"
#include "sound/sound_convert_readers.h"

namespace DuRud {

namespace {

constexpr uint32_t kMaxOutputBuffer = 4u << 20;  // a hostile byte rate gets no larger buffer

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool ReadChunkHeader(SoundConvertState* s, int64_t position, uint8_t (&header)[8]) {
    return SeekStreamTo(s, position) && ReadStreamBytes(s, header, 8) == 8;
}

// The chunk after one that starts at position with the given size (a pad
// byte follows an odd size); 64 bits, so no size wraps back.
int64_t NextChunk(int64_t position, uint32_t size) {
    return position + 8 + int64_t(size) + (size & 1);
}

// One second of output, whole frames, within the cap.
uint32_t OneSecondOfOutput(const WAVEFORMATEX& f) {
    uint32_t bytes = std::min(f.nAvgBytesPerSec, kMaxOutputBuffer);
    return std::max<uint32_t>(bytes / f.nBlockAlign * f.nBlockAlign, f.nBlockAlign);
}

}  // namespace

bool CompleteByteRate(WAVEFORMATEX* f) {
    uint64_t rate = uint64_t(f->nBlockAlign) * f->nSamplesPerSec;
    if (rate > 0xFFFFFFFFu) return false;
    f->nAvgBytesPerSec = DWORD(rate);
    return true;
}

int ReadWaveLayout(SoundConvertState* s, uint8_t (&format)[kMaxFormatChunk], uint32_t* formatSize) {
    const int64_t streamSize = MeasureStream(s);
    uint8_t riff[12];
    if (streamSize < 12 || !SeekStreamTo(s, 0) || ReadStreamBytes(s, riff, 12) != 12) return -1;
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return -1;
    int64_t at = 12;
    uint8_t h[8];
    if (!ReadChunkHeader(s, at, h)) return -1;
    if (std::memcmp(h, "bext", 4) == 0) {
        at = NextChunk(at, Le32(h + 4));
        if (!ReadChunkHeader(s, at, h)) return -1;
    }
    if (std::memcmp(h, "fmt ", 4) != 0) return -1;
    const uint32_t size = Le32(h + 4);
    if (size < 16 || size > kMaxFormatChunk || at + 8 + size > streamSize) return -1;
    std::memset(format, 0, sizeof format);
    if (ReadStreamBytes(s, format, size) != size) return -1;
    s->formatPosition = at + 8;
    s->formatSize = size;
    *formatSize = size;
    auto* f = reinterpret_cast<WAVEFORMATEX*>(format);
    if (f->nChannels == 0 || f->nSamplesPerSec == 0 || f->nBlockAlign == 0) return -1;
    if (f->wFormatTag == WAVE_FORMAT_PCM && size == 16) {
        f->wBitsPerSample = WORD(f->nBlockAlign / f->nChannels * 8);
        f->cbSize = 0;
    }
    for (at = NextChunk(at, size);; at = NextChunk(at, Le32(h + 4))) {
        if (at + 8 > streamSize || !ReadChunkHeader(s, at, h)) return -1;
        if (std::memcmp(h, "data", 4) == 0) break;
    }
    s->dataPosition = at + 8;
    s->dataSize = std::min<int64_t>(Le32(h + 4), streamSize - s->dataPosition);
    return 0;
}

int OpenWaveReader(SoundConvertState* s) {
    uint8_t format[kMaxFormatChunk];
    uint32_t size = 0;
    if (ReadWaveLayout(s, format, &size) != 0) return -1;
    WAVEFORMATEX source;
    std::memcpy(&source, format, sizeof source);
    WAVEFORMATEX out = source;
    if (source.wFormatTag == WAVE_FORMAT_PCM) {
        if (!CompleteByteRate(&out)) return -1;
    } else if (source.wFormatTag == WAVE_FORMAT_IEEE_FLOAT && source.wBitsPerSample == 32 &&
               source.nBlockAlign >= source.nChannels * 4) {
        out = WAVEFORMATEX{};
        out.wFormatTag = WAVE_FORMAT_PCM;
        out.nChannels = source.nChannels;
        out.nSamplesPerSec = source.nSamplesPerSec;
        out.wBitsPerSample = 16;
        out.nBlockAlign = WORD(source.nChannels * 2);
        if (!CompleteByteRate(&out)) return -1;
    } else {
        return -1;
    }
    s->kind = SoundConvertKindWave;
    s->outputFormat = out;
    s->wave.sourceFormat = source;
    s->outputSize = OneSecondOfOutput(out);
    if (source.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
        // The float source of one output buffer, within the same cap: wide
        // frames at a hostile rate would otherwise ask for gigabytes.
        const uint32_t frames = std::min(s->outputSize / out.nBlockAlign,
                                         std::max(kMaxOutputBuffer / source.nBlockAlign, 1u));
        s->wave.floatBufferSize = frames * source.nBlockAlign;
        s->wave.floatBuffer =
            static_cast<uint8_t*>(TrackedAlloc(s->wave.floatBufferSize, __FILE__, __LINE__));
        if (s->wave.floatBuffer == nullptr) return -1;
    }
    return SeekStreamTo(s, s->dataPosition) ? 0 : (EndWave(s), -1);
}

int RefillWave(SoundConvertState* s) {
    int64_t consumed = int64_t(s->stream.Tell(s->streamHandle)) - s->dataPosition;
    int64_t left = s->dataSize - std::clamp<int64_t>(consumed, 0, s->dataSize);
    if (left <= 0) return -1;
    if (s->wave.floatBuffer == nullptr) {
        uint32_t n =
            ReadStreamBytes(s, s->outputBuffer, uint32_t(std::min<int64_t>(left, s->outputSize)));
        s->unread = n;
        return n ? 0 : -1;
    }
    const WAVEFORMATEX& src = s->wave.sourceFormat;
    uint32_t n = ReadStreamBytes(s, s->wave.floatBuffer,
                                 uint32_t(std::min<int64_t>(left, s->wave.floatBufferSize)));
    uint32_t frames = n / src.nBlockAlign;
    auto* out = reinterpret_cast<int16_t*>(s->outputBuffer);
    for (uint32_t f = 0; f < frames; ++f) {
        for (int c = 0; c < src.nChannels; ++c) {
            float v;
            std::memcpy(&v, s->wave.floatBuffer + size_t(f) * src.nBlockAlign + c * 4, 4);
            double scaled = std::trunc(double(v) * 32768.0);
            int16_t pcm = std::isnan(scaled)  ? 0
                          : scaled < -32768.0 ? -32768
                          : scaled > 32767.0  ? 32767
                                              : int16_t(scaled);
            std::memcpy(out + size_t(f) * src.nChannels + c, &pcm, 2);
        }
    }
    s->unread = frames * s->outputFormat.nBlockAlign;
    return s->unread ? 0 : -1;
}

void SeekWave(SoundConvertState* s, int64_t sample) {
    int64_t offset =
        std::min<int64_t>(int64_t(s->wave.sourceFormat.nBlockAlign) * sample, s->dataSize);
    SeekStreamTo(s, s->dataPosition + offset);
    s->outputPosition = int64_t(s->outputFormat.nBlockAlign) * sample;
    s->unread = 0;
}

int64_t WaveSize(SoundConvertState* s) {
    if (s->wave.floatBuffer == nullptr) return s->dataSize;
    return s->dataSize / s->wave.sourceFormat.nBlockAlign * s->outputFormat.nBlockAlign;
}

void EndWave(SoundConvertState* s) {
    TrackedFree(s->wave.floatBuffer);
    s->wave.floatBuffer = nullptr;
    s->wave.floatBufferSize = 0;
}

}  // namespace DuRud
