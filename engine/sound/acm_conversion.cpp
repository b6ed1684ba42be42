// Conversion through the compression manager (kind 1): the module state of
// "msacm32.dll", the WAVE reader over it, and the main and loop streams that
// refill, seek and loop. The loop stream keeps a second decoder within
// 10240 bytes before the loop point, so that a return to the loop point
// swaps decoders instead of converting again from the start.
#include <algorithm>
#include <cstring>

#include "DuRud.h"
#include "core/text_literals.h"
#include "sound/sound_convert_readers.h"
#include "windows.h"
#include "win_modules.h"

namespace DuRud {

namespace {

constexpr uint32_t kStepBytes = 2048;
constexpr int64_t kLoopLead = 10240;
constexpr uint32_t kMaxOutputBuffer = 4u << 20;  // a hostile byte rate gets no larger buffer

struct AcmModule {
    int initialised;
    HMODULE library;
    decltype(&::acmFormatSuggest) FormatSuggest;
    decltype(&::acmStreamOpen) StreamOpen;
    decltype(&::acmStreamClose) StreamClose;
    decltype(&::acmMetrics) Metrics;
    decltype(&::acmStreamPrepareHeader) StreamPrepareHeader;
    decltype(&::acmStreamConvert) StreamConvert;
    decltype(&::acmStreamUnprepareHeader) StreamUnprepareHeader;
    decltype(&::acmStreamSize) StreamSize;
};
AcmModule g_acm;

template <class F>
bool Load(F* entry, const char* name) {
    *entry = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(g_acm.library, name)));
    return *entry != nullptr;
}

HACMSTREAM OpenStream(SoundConvertState* s) {
    HACMSTREAM stream = nullptr;
    if (g_acm.StreamOpen(&stream, nullptr, s->acm.sourceFormat, &s->outputFormat, nullptr, 0, 0,
                         ACM_STREAMOPENF_NONREALTIME) != MMSYSERR_NOERROR)
        return nullptr;
    return stream;
}

void CloseStream(HACMSTREAM* stream) {
    if (*stream != nullptr) g_acm.StreamClose(*stream, 0);
    *stream = nullptr;
}

// Converts one step of source from *sourcePosition into destination; adds
// the bytes used to *sourcePosition and returns the bytes produced (0 on a
// failure, with nothing used).
uint32_t ConvertStep(SoundConvertState* s, HACMSTREAM stream, uint32_t* sourcePosition,
                     uint8_t* destination, uint32_t destinationSize) {
    uint32_t left = s->acm.sourceSize - std::min(*sourcePosition, s->acm.sourceSize);
    if (left == 0 || destinationSize == 0) return 0;
    ACMSTREAMHEADER h{};
    h.cbStruct = sizeof h;
    h.pbSrc = s->acm.sourceData + *sourcePosition;
    h.cbSrcLength = std::min(left, s->acm.step);
    h.pbDst = destination;
    h.cbDstLength = destinationSize;
    if (g_acm.StreamPrepareHeader(stream, &h, 0) != MMSYSERR_NOERROR) return 0;
    MMRESULT r = g_acm.StreamConvert(stream, &h, ACM_STREAMCONVERTF_BLOCKALIGN);
    g_acm.StreamUnprepareHeader(stream, &h, 0);
    if (r != MMSYSERR_NOERROR) return 0;
    *sourcePosition += std::min(h.cbSrcLengthUsed, left);
    return std::min(h.cbDstLengthUsed, destinationSize);
}

// Step 1 of a refill: the loop stream moves one step towards the loop point.
void AdvanceLoopStream(SoundConvertState* s) {
    if (s->acm.loopOutputPosition == s->loopPosition) return;
    if (s->loopPosition < s->acm.loopOutputPosition) {
        CloseStream(&s->acm.loopStream);
        s->acm.loopStream = OpenStream(s);
        s->acm.loopSourcePosition = 0;
        s->acm.loopOutputPosition = 0;
    }
    if (s->acm.loopStream == nullptr) return;
    int64_t distance = s->loopPosition - s->acm.loopOutputPosition;
    if (distance > kLoopLead) {
        uint32_t room = uint32_t(std::min<int64_t>(s->outputSize, distance));
        s->acm.loopOutputPosition +=
            ConvertStep(s, s->acm.loopStream, &s->acm.loopSourcePosition, s->acm.scratch, room);
    }
}

}  // namespace

int InitSoundConvert() {
    if (g_acm.initialised) return -1;
    if (g_acm.library == nullptr) g_acm.library = LoadLibraryA("msacm32.dll");
    bool ok = g_acm.library != nullptr && Load(&g_acm.FormatSuggest, "acmFormatSuggest") &&
              Load(&g_acm.StreamOpen, "acmStreamOpen") &&
              Load(&g_acm.StreamClose, "acmStreamClose") && Load(&g_acm.Metrics, "acmMetrics") &&
              Load(&g_acm.StreamPrepareHeader, "acmStreamPrepareHeader") &&
              Load(&g_acm.StreamConvert, "acmStreamConvert") &&
              Load(&g_acm.StreamUnprepareHeader, "acmStreamUnprepareHeader") &&
              Load(&g_acm.StreamSize, "acmStreamSize");
    if (!ok) {
        // Nothing half-loaded stays behind: a later call tries again from scratch.
        LogWrite(Cp932Text("msacm32.dll の読み込みに失敗しました\n"));
        if (g_acm.library != nullptr) FreeLibrary(g_acm.library);
        g_acm = AcmModule{};
        return -1;
    }
    g_acm.initialised = 1;
    return 0;
}

int TerminateSoundConvert() {
    if (!g_acm.initialised) return -1;
    FreeLibrary(g_acm.library);
    g_acm = AcmModule{};
    return 0;
}

bool AcmReady() {
    return g_acm.initialised != 0;
}

uint32_t AcmLargestFormatSize() {
    DWORD size = 0;
    if (g_acm.Metrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &size) != MMSYSERR_NOERROR) return 0;
    return size;
}

int SuggestPcmOutput(SoundConvertState* s) {
    s->outputFormat = WAVEFORMATEX{};
    s->outputFormat.wFormatTag = WAVE_FORMAT_PCM;
    if (g_acm.FormatSuggest(nullptr, s->acm.sourceFormat, &s->outputFormat, sizeof(WAVEFORMATEX),
                            ACM_FORMATSUGGESTF_WFORMATTAG) != MMSYSERR_NOERROR ||
        s->outputFormat.nBlockAlign == 0)
        return -1;
    return 0;
}

int StartAcmStreams(SoundConvertState* s, uint32_t outputSize) {
    s->kind = SoundConvertKindAcm;
    s->acm.step = std::max<uint32_t>(kStepBytes, s->acm.sourceFormat->nBlockAlign);
    s->acm.mainStream = OpenStream(s);
    s->acm.loopStream = OpenStream(s);
    const uint32_t align = s->outputFormat.nBlockAlign;
    // A step converts whole blocks only while their output fits: a block
    // that decodes to more than the asked size (a large ADPCM block at a low
    // rate) would never convert and the data would end at once.
    DWORD blockOutput = 0;
    if (s->acm.mainStream != nullptr &&
        g_acm.StreamSize(s->acm.mainStream, s->acm.sourceFormat->nBlockAlign, &blockOutput,
                         ACM_STREAMSIZEF_SOURCE) == MMSYSERR_NOERROR)
        outputSize = std::max<uint32_t>(outputSize, blockOutput);
    s->outputSize = std::max(std::min(outputSize, kMaxOutputBuffer) / align * align, align);
    s->acm.scratch = static_cast<uint8_t*>(TrackedAlloc(s->outputSize, __FILE__, __LINE__));
    if (s->acm.mainStream == nullptr || s->acm.loopStream == nullptr || s->acm.scratch == nullptr) {
        EndAcm(s);
        return -1;
    }
    return 0;
}

int OpenWaveAcmReader(SoundConvertState* s) {
    if (!AcmReady()) return -1;
    uint8_t format[kMaxFormatChunk];
    uint32_t size = 0;
    if (ReadWaveLayout(s, format, &size) != 0) return -1;
    uint32_t blockSize = std::max<uint32_t>(size, sizeof(WAVEFORMATEX));
    s->acm.sourceFormat = static_cast<WAVEFORMATEX*>(TrackedCalloc(blockSize, __FILE__, __LINE__));
    if (s->acm.sourceFormat == nullptr) return -1;
    std::memcpy(s->acm.sourceFormat, format, blockSize);
    // The extension is what the chunk holds: a larger claim would send the
    // compression manager past the format's end.
    const uint32_t extension = size > sizeof(WAVEFORMATEX) ? size - sizeof(WAVEFORMATEX) : 0;
    s->acm.sourceFormat->cbSize = WORD(std::min<uint32_t>(s->acm.sourceFormat->cbSize, extension));
    if (SuggestPcmOutput(s) != 0) {
        EndAcm(s);
        return -1;
    }
    s->acm.sourceSize = uint32_t(s->dataSize);
    s->acm.sourceData =
        static_cast<uint8_t*>(TrackedAlloc(std::max(s->acm.sourceSize, 1u), __FILE__, __LINE__));
    if (s->acm.sourceData == nullptr || !SeekStreamTo(s, s->dataPosition) ||
        ReadStreamBytes(s, s->acm.sourceData, s->acm.sourceSize) != s->acm.sourceSize) {
        EndAcm(s);
        return -1;
    }
    SeekStreamTo(s, s->dataPosition);
    s->acm.totalSamples = -1;
    // MPEG frames vary in size, and the header's average byte rate is only a
    // claim: count what the frames decode to, so the size given is the size
    // produced.
    const WAVEFORMATEX* f = s->acm.sourceFormat;
    if (f->wFormatTag == WAVE_FORMAT_MPEGLAYER3)
        s->acm.totalSamples = WalkMpegFrames(s->acm.sourceData, s->acm.sourceSize,
                                             int(f->nSamplesPerSec), f->nChannels, true)
                                  .samples;
    return StartAcmStreams(s, s->outputFormat.nAvgBytesPerSec);
}

int RefillAcm(SoundConvertState* s) {
    AdvanceLoopStream(s);
    // A step of junk is used up and the next one tried; only a step that
    // neither uses nor produces anything ends the data.
    while (s->acm.sourcePosition < s->acm.sourceSize) {
        uint32_t before = s->acm.sourcePosition;
        s->unread = ConvertStep(s, s->acm.mainStream, &s->acm.sourcePosition, s->outputBuffer,
                                s->outputSize);
        if (s->unread != 0) return 0;
        if (s->acm.sourcePosition == before) break;
    }
    s->acm.sourcePosition = s->acm.sourceSize;
    return -1;
}

void SeekAcm(SoundConvertState* s, int64_t sample) {
    const int64_t target = int64_t(s->outputFormat.nBlockAlign) * sample;
    if (target < s->outputPosition) {
        if (target < s->acm.loopOutputPosition || s->acm.loopStream == nullptr) {
            CloseStream(&s->acm.mainStream);
            s->acm.mainStream = OpenStream(s);
            SeekStreamTo(s, s->dataPosition);
            s->acm.sourcePosition = 0;
            s->outputPosition = 0;
        } else {
            std::swap(s->acm.mainStream, s->acm.loopStream);
            s->acm.sourcePosition = s->acm.loopSourcePosition;
            s->outputPosition = s->acm.loopOutputPosition;
            CloseStream(&s->acm.loopStream);
            s->acm.loopStream = OpenStream(s);
            s->acm.loopSourcePosition = 0;
            s->acm.loopOutputPosition = 0;
        }
        s->unread = 0;
        s->readPosition = 0;
    }
    while (target > s->outputPosition + s->unread) {
        s->outputPosition += s->unread;
        s->unread = 0;
        s->readPosition = 0;
        if (s->acm.mainStream == nullptr || RefillAcm(s) != 0) {
            s->endOfData = 1;
            return;
        }
    }
    uint32_t skip = uint32_t(target - s->outputPosition);
    s->readPosition += skip;
    s->unread -= skip;
    s->outputPosition = target;
}

int64_t AcmSize(SoundConvertState* s) {
    if (s->acm.totalSamples >= 0) return int64_t(s->outputFormat.nBlockAlign) * s->acm.totalSamples;
    DWORD bytes = 0;
    if (s->acm.mainStream == nullptr ||
        g_acm.StreamSize(s->acm.mainStream, s->acm.sourceSize, &bytes, ACM_STREAMSIZEF_SOURCE) !=
            MMSYSERR_NOERROR)
        return 0;
    return bytes;
}

void EndAcm(SoundConvertState* s) {
    CloseStream(&s->acm.mainStream);
    CloseStream(&s->acm.loopStream);
    TrackedFree(s->acm.sourceFormat);
    TrackedFree(s->acm.scratch);
    TrackedFree(s->acm.sourceData);
    s->acm = {};
}

}  // namespace DuRud
