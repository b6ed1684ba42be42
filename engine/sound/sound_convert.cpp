// The converter's set-up, running, seeking, size, whole conversion and end,
// dispatching by kind, and kind 3: a PCM block the conversion graph decoded.
#include "sound/sound_convert.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "DuRud.h"
#include "sound/sound_convert_readers.h"

namespace DuRud {

namespace {

int RefillPcmBlock(SoundConvertState* s) {
    uint32_t left = s->pcm.readPosition < s->pcm.used ? s->pcm.used - s->pcm.readPosition : 0;
    if (left == 0) return -1;
    uint32_t n = std::min(left, s->outputSize);
    std::memcpy(s->outputBuffer, s->pcm.block + s->pcm.readPosition, n);
    s->pcm.readPosition += n;
    s->unread = n;
    return 0;
}

int Refill(SoundConvertState* s) {
    switch (s->kind) {
        case SoundConvertKindWave:
            return RefillWave(s);
        case SoundConvertKindAcm:
            return RefillAcm(s);
        case SoundConvertKindOggVorbis:
            return RefillOggVorbis(s);
        case SoundConvertKindPcmBlock:
            return RefillPcmBlock(s);
    }
    return -1;
}

int64_t TotalBytes(SoundConvertState* s) {
    switch (s->kind) {
        case SoundConvertKindWave:
            return WaveSize(s);
        case SoundConvertKindAcm:
            return AcmSize(s);
        case SoundConvertKindOggVorbis:
            return OggVorbisSize(s);
        case SoundConvertKindPcmBlock:
            return s->pcm.used;
    }
    return 0;
}

void ClearBuffers(SoundConvertState* s) {
    s->unread = 0;
    s->readPosition = 0;
    s->outputPosition = 0;
}

}  // namespace

int FinishSoundConvertSetup(SoundConvertState* s) {
    s->endOfData = 0;
    s->outputBuffer = static_cast<uint8_t*>(TrackedAlloc(s->outputSize, __FILE__, __LINE__));
    s->initialised = 1;  // so that the end below releases what the reader kept
    if (s->outputBuffer == nullptr) {
        EndSoundConvert(s);
        return -1;
    }
    ClearBuffers(s);
    return 0;
}

int SetupSoundConvert(SoundConvertState* state, const StreamInterface* stream, StreamHandle handle,
                      int skipMask, int oggBytesPerSample, int oggVariant) {
    if (state == nullptr || stream == nullptr) return -1;
    SoundConvertState& s = *state;
    s = SoundConvertState{};
    s.oggBytesPerSample = oggBytesPerSample;
    s.oggVariant = oggVariant;
    s.stream = *stream;
    s.streamHandle = handle;
    s.loopPosition = 0;
    s.stream.Seek(handle, 0, SEEK_SET);
    using Open = int (*)(SoundConvertState*);
    const Open readers[] = {OpenWaveReader, OpenWaveAcmReader, OpenOggVorbisReader,
                            OpenMp3AcmReader, DecodeMp3ToPcm};
    const int mask = skipMask & 0xFF;
    for (int i = 0; i < 5; ++i) {
        if (mask & (1 << i)) continue;
        if (i == 4) return DecodeMp3ToPcm(&s);  // finishes its own set-up
        if (readers[i](&s) == 0) return FinishSoundConvertSetup(&s);
        if (i < 3) s.stream.Seek(handle, 0, SEEK_SET);
    }
    return -1;
}

int RunSoundConvert(SoundConvertState* s, void* destination, int bytes) {
    if (s == nullptr || !s->initialised) return -1;
    if (s->endOfData || bytes <= 0 || destination == nullptr) return 0;
    auto* out = static_cast<uint8_t*>(destination);
    int written = 0;
    while (written < bytes) {
        if (s->unread == 0 && s->kind == SoundConvertKindOggVorbis &&
            bytes - written >= int(s->outputSize)) {
            // Straight into the caller's memory: the same samples, without a
            // pass through the output buffer (all the music decoded at load).
            const long n = DecodeOggVorbis(s, out + written, uint32_t(bytes - written));
            if (n <= 0) break;
            s->outputPosition += n;
            written += int(n);
            continue;
        }
        if (s->unread == 0) {
            s->readPosition = 0;
            if (Refill(s) != 0) break;
        }
        uint32_t n = std::min<uint32_t>(s->unread, uint32_t(bytes - written));
        std::memcpy(out + written, s->outputBuffer + s->readPosition, n);
        s->readPosition += n;
        s->unread -= n;
        s->outputPosition += n;
        written += int(n);
    }
    if (written < bytes) s->endOfData = 1;
    return written;
}

int SeekSoundConvert(SoundConvertState* s, int sample) {
    if (s == nullptr || !s->initialised) return -1;
    int64_t n = std::max(sample, 0);
    int64_t target = int64_t(s->outputFormat.nBlockAlign) * n;
    if (std::abs(target - s->outputPosition) < 16) return 0;
    switch (s->kind) {
        case SoundConvertKindWave:
            SeekWave(s, n);
            break;
        case SoundConvertKindAcm:
            SeekAcm(s, n);
            break;
        case SoundConvertKindOggVorbis:
            SeekOggVorbis(s, n);
            break;
        case SoundConvertKindPcmBlock:
            s->pcm.readPosition = uint32_t(std::min<int64_t>(target, s->pcm.used));
            s->outputPosition = target;
            s->unread = 0;
            s->readPosition = 0;
            break;
        default:
            return -1;
    }
    s->endOfData = 0;
    return 0;
}

int GetSoundConvertSize(SoundConvertState* s) {
    if (s == nullptr || !s->initialised) return -1;
    return int(std::clamp<int64_t>(TotalBytes(s), 0, INT32_MAX));
}

int ConvertSoundFromStart(SoundConvertState* s, void* destination, int bytes) {
    if (s == nullptr || !s->initialised || destination == nullptr || bytes < 0) return -1;
    SeekSoundConvert(s, 0);
    // A short file hands back what it really holds, never unwritten bytes.
    if (s->kind == SoundConvertKindWave && s->wave.floatBuffer == nullptr) {
        SeekStreamTo(s, s->dataPosition);
        return int(ReadStreamBytes(s, destination, uint32_t(bytes)));
    }
    return std::max(RunSoundConvert(s, destination, bytes), 0);
}

int ConvertSoundAll(SoundConvertState* s, WAVEFORMATEX* format, void** block, int* bytes) {
    if (s == nullptr || !s->initialised || block == nullptr || bytes == nullptr) return -1;
    int total = GetSoundConvertSize(s);
    void* pcm = TrackedAlloc(uint32_t(std::max(total, 1)), __FILE__, __LINE__);
    if (pcm == nullptr) return -1;
    const int produced = ConvertSoundFromStart(s, pcm, total);
    if (format != nullptr) *format = s->outputFormat;
    *block = pcm;
    *bytes = produced;
    return 0;
}

int EndSoundConvert(SoundConvertState* s) {
    if (s == nullptr || !s->initialised) return -1;
    TrackedFree(s->outputBuffer);
    s->outputBuffer = nullptr;
    switch (s->kind) {
        case SoundConvertKindWave:
            EndWave(s);
            break;
        case SoundConvertKindAcm:
            EndAcm(s);
            break;
        case SoundConvertKindOggVorbis:
            EndOggVorbis(s);
            break;
        case SoundConvertKindPcmBlock:
            TrackedFree(s->pcm.block);
            s->pcm = {};
            break;
    }
    s->initialised = 0;
    return 0;
}

int SetConvertLoopPoint(SoundConvertState* s, int sample) {
    if (s == nullptr || !s->initialised) return -1;
    s->loopPosition = int64_t(s->outputFormat.nBlockAlign) * std::max(sample, 0);
    return 0;
}

int GetConvertFormat(SoundConvertState* s, WAVEFORMATEX* format) {
    if (s == nullptr || !s->initialised || format == nullptr) return -1;
    *format = s->outputFormat;
    return 0;
}

// --- stream helpers ------------------------------------------------------------

uint32_t ReadStreamBytes(SoundConvertState* s, void* buffer, uint32_t bytes) {
    if (bytes == 0) return 0;
    size_t n = s->stream.Read(buffer, 1, bytes, s->streamHandle);
    return uint32_t(std::min<size_t>(n, bytes));
}

bool SeekStreamTo(SoundConvertState* s, int64_t position) {
    if (position < 0 || position > INT32_MAX) return false;
    return s->stream.Seek(s->streamHandle, int32_t(position), SEEK_SET) == 0;
}

int64_t MeasureStream(SoundConvertState* s) {
    int32_t here = s->stream.Tell(s->streamHandle);
    if (s->stream.Seek(s->streamHandle, 0, SEEK_END) != 0) return -1;
    int32_t size = s->stream.Tell(s->streamHandle);
    s->stream.Seek(s->streamHandle, std::max(here, 0), SEEK_SET);
    return size < 0 ? -1 : size;
}

}  // namespace DuRud
