// Raw MP3 through the compression manager (kind 1): the ID3 tag rules, the
// MPEG audio frame header, the frame scan that counts samples, and the
// MPEG layer 3 source format the manager's stream is opened with.
#include <algorithm>
#include <cstring>

#include "DuRud.h"
#include "sound/sound_convert_readers.h"

namespace DuRud {

namespace {

// kbit/s by [MPEG-1 0, else 1][layer - 1][index]; index 0 (free format) and
// 15 are refused. MPEG-2.5 has MPEG-2's rates.
constexpr int kBitRates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};
// By [MPEG-1, MPEG-2, MPEG-2.5][index].
constexpr int kSampleRates[3][3] = {
    {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

// Whether two header bytes begin a frame sync: twelve set bits, or eleven
// when MPEG-2.5 is taken (its version bits are 00).
bool IsSync(const uint8_t* h, bool mpeg25) {
    return h[0] == 0xFF && (h[1] & (mpeg25 ? 0xE0 : 0xF0)) == (mpeg25 ? 0xE0 : 0xF0);
}

// The frame header rule of ParseMpegAudioHeader; with mpeg25 also the low
// rates' extension (Layer III at 8, 11.025 and 12 kHz), which the compression
// manager's decoder takes.
int ParseHeader(const uint8_t* h, MpegAudioHeader* out, bool mpeg25) {
    if (h == nullptr || out == nullptr || !IsSync(h, mpeg25)) return -1;
    const int versionBits = (h[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5, 1 reserved
    const int mpeg2 = versionBits == 3 ? 0 : 1;
    const int layerBits = (h[1] >> 1) & 3;
    const int rateIndex = h[2] >> 4;
    const int sampleIndex = (h[2] >> 2) & 3;
    if (versionBits == 1 || (versionBits == 0 && layerBits != 1)) return -1;
    if (layerBits == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3) return -1;
    MpegAudioHeader f{};
    f.mpeg1 = !mpeg2;
    f.layer = 4 - layerBits;
    f.bitRate = kBitRates[mpeg2][f.layer - 1][rateIndex];
    f.sampleRate = kSampleRates[versionBits == 3 ? 0 : versionBits == 2 ? 1 : 2][sampleIndex];
    f.padding = (h[2] >> 1) & 1;
    f.channels = (h[3] & 0xC0) == 0xC0 ? 1 : 2;
    if (f.layer == 1) {
        f.frameLength = (12000 * f.bitRate / f.sampleRate + f.padding) * 4;
        f.samples = 384;
    } else if (f.layer == 3 && mpeg2) {
        f.frameLength = 72000 * f.bitRate / f.sampleRate + f.padding;
        f.samples = 576;
    } else {
        f.frameLength = 144000 * f.bitRate / f.sampleRate + f.padding;
        f.samples = 1152;
    }
    *out = f;
    return 0;
}

// Where the audio starts and ends once the ID3 tags are left out.
bool FindTaggedSpan(SoundConvertState* s, int64_t* start, int64_t* end) {
    int64_t size = MeasureStream(s);
    if (size <= 128) return false;  // nothing but an ID3v1 tag could fit
    *start = 0;
    *end = size;
    uint8_t h[10];
    if (SeekStreamTo(s, 0) && ReadStreamBytes(s, h, 10) == 10 && std::memcmp(h, "ID3", 3) == 0) {
        int64_t tag =
            int64_t(h[6] & 0x7F) << 21 | (h[7] & 0x7F) << 14 | (h[8] & 0x7F) << 7 | (h[9] & 0x7F);
        *start = tag + 10 + (h[3] == 4 && (h[5] & 0x10) ? 10 : 0);
    }
    uint8_t tail[3];
    if (SeekStreamTo(s, size - 128) && ReadStreamBytes(s, tail, 3) == 3 &&
        std::memcmp(tail, "TAG", 3) == 0)
        *end = size - 128;
    return *start < *end;
}

}  // namespace

int ParseMpegAudioHeader(const uint8_t* h, MpegAudioHeader* out) {
    return ParseHeader(h, out, false);  // MPEG-2.5 has bit value 16 clear: no sync here
}

MpegFrameWalk WalkMpegFrames(const uint8_t* data, uint32_t size, int sampleRate, int channels,
                             bool mpeg25) {
    MpegFrameWalk walk;
    for (uint32_t i = 0; i + 4 <= size;) {
        MpegAudioHeader f;
        if (!IsSync(data + i, mpeg25)) {
            ++i;
            continue;
        }
        if (ParseHeader(data + i, &f, mpeg25) != 0 || f.frameLength == 0) {
            walk.broken = true;
            ++i;
            continue;
        }
        const int rate = sampleRate ? sampleRate : walk.first >= 0 ? walk.header.sampleRate : 0;
        const int count = channels ? channels : walk.first >= 0 ? walk.header.channels : 0;
        if ((rate && f.sampleRate != rate) || (count && f.channels != count)) {
            ++i;
            continue;
        }
        // Only whole frames count: a cut last frame would promise samples
        // that no decoder can give.
        if (int64_t(i) + f.frameLength > size) break;
        if (walk.first < 0) {
            walk.first = i;
            walk.header = f;
        }
        walk.samples += f.samples;
        i += uint32_t(f.frameLength);
        walk.end = i;
    }
    return walk;
}

int OpenMp3AcmReader(SoundConvertState* s) {
    if (!AcmReady()) return -1;
    int64_t start = 0, end = 0;
    if (!FindTaggedSpan(s, &start, &end)) return -1;
    // The frames are read whole anyway: scan them in memory.
    uint32_t span = uint32_t(end - start);
    auto* data = static_cast<uint8_t*>(TrackedAlloc(span, __FILE__, __LINE__));
    if (data == nullptr) return -1;
    s->acm.sourceData = data;
    if (!SeekStreamTo(s, start) || ReadStreamBytes(s, data, span) != span) {
        EndAcm(s);
        return -1;
    }
    // A header that does not parse at a sync refuses the file.
    const MpegFrameWalk walk = WalkMpegFrames(data, span, 0, 0);
    if (walk.first < 0 || walk.broken) {
        EndAcm(s);
        return -1;
    }
    const int64_t first = walk.first, last = walk.end;
    const MpegAudioHeader& firstHeader = walk.header;
    s->dataPosition = start + first;
    s->dataSize = last - first;
    std::memmove(data, data + first, size_t(s->dataSize));
    s->acm.sourceSize = uint32_t(s->dataSize);
    s->acm.totalSamples = walk.samples;

    uint32_t formatSize = std::max<uint32_t>(AcmLargestFormatSize(), sizeof(MPEGLAYER3WAVEFORMAT));
    auto* mp3 = static_cast<MPEGLAYER3WAVEFORMAT*>(TrackedCalloc(formatSize, __FILE__, __LINE__));
    if (mp3 == nullptr) {
        EndAcm(s);
        return -1;
    }
    s->acm.sourceFormat = &mp3->wfx;
    mp3->wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
    mp3->wfx.nChannels = WORD(firstHeader.channels);
    mp3->wfx.nSamplesPerSec = DWORD(firstHeader.sampleRate);
    mp3->wfx.nAvgBytesPerSec = DWORD(firstHeader.bitRate * 1000 / 8);
    mp3->wfx.nBlockAlign = 1;
    mp3->wfx.wBitsPerSample = 0;
    mp3->wfx.cbSize = MPEGLAYER3_WFX_EXTRA_BYTES;
    mp3->wID = MPEGLAYER3_ID_MPEG;
    mp3->fdwFlags = DWORD(firstHeader.padding);
    mp3->nBlockSize = WORD(firstHeader.frameLength);
    mp3->nFramesPerBlock = 1;
    mp3->nCodecDelay = 700;

    if (SuggestPcmOutput(s) != 0) {
        EndAcm(s);
        return -1;
    }
    SeekStreamTo(s, s->dataPosition);
    return StartAcmStreams(s, uint32_t(uint64_t(s->outputFormat.nAvgBytesPerSec) * 4 / 3));
}

}  // namespace DuRud
