// What the converter's readers share: the stream helpers, the WAVE chunk
// walk, and each kind's open, refill, seek, size and end.
#pragma once

#include <cstdint>

#include "sound/sound_convert.h"

namespace DuRud {

// --- stream helpers ------------------------------------------------------------
// Bytes read (reads with element size 1, so partial reads count exactly).
uint32_t ReadStreamBytes(SoundConvertState* s, void* buffer, uint32_t bytes);
// False for positions a 32-bit stream cannot reach.
bool SeekStreamTo(SoundConvertState* s, int64_t position);
// The stream's length (seek to the end, tell, seek back); -1 when unknown.
int64_t MeasureStream(SoundConvertState* s);

// --- WAVE files ------------------------------------------------------------------
constexpr uint32_t kMaxFormatChunk = 1024;
// Walks "RIFF", "WAVE", an optional "bext", "fmt " (read into format, at
// least 16 bytes and at most kMaxFormatChunk, zero-filled past its size) and
// the chunks up to "data", whose size is clamped to the stream. Checks the
// channels, rate and block align, and for PCM with a 16-byte chunk sets the
// bits from the block align and the extra size to 0. 0, or -1.
int ReadWaveLayout(SoundConvertState* s, uint8_t (&format)[kMaxFormatChunk], uint32_t* formatSize);
// The output format's byte rate as block align x rate; false when it does
// not fit 32 bits.
bool CompleteByteRate(WAVEFORMATEX* format);

// --- kinds: open 0 (kind, output format and output size set) or -1 (nothing
// kept); refill 0 with unread bytes in the output buffer, or -1 at the end.
int OpenWaveReader(SoundConvertState* s);
int RefillWave(SoundConvertState* s);
void SeekWave(SoundConvertState* s, int64_t sample);
int64_t WaveSize(SoundConvertState* s);
void EndWave(SoundConvertState* s);

bool AcmReady();  // the compression manager is loaded
int OpenWaveAcmReader(SoundConvertState* s);
int OpenMp3AcmReader(SoundConvertState* s);
// Opens the main and loop streams and the buffers for a source format and
// data already in the kind-1 area; frees everything on failure. 0, or -1.
int StartAcmStreams(SoundConvertState* s, uint32_t outputSize);
int RefillAcm(SoundConvertState* s);
void SeekAcm(SoundConvertState* s, int64_t sample);
int64_t AcmSize(SoundConvertState* s);
void EndAcm(SoundConvertState* s);
// The output format: PCM as acmFormatSuggest completes it for the source
// format in the kind-1 area. 0, or -1.
int SuggestPcmOutput(SoundConvertState* s);
// acmMetrics' largest format size, or 0.
uint32_t AcmLargestFormatSize();

// The MPEG audio frames in `size` bytes as the compression manager's decoder
// finds them: a sync whose header does not parse, or whose rate or channel
// count differs from the first frame's (or from the given ones, when not 0),
// is junk to it, which looks for the next sync one byte on; a frame cut by
// the end is not decoded. `broken`: a sync with an unparsable header was met.
// With mpeg25 the frames of the low rates' extension count as the decoder
// takes them; without, their syncs are no syncs (the raw MP3 reader's rule).
struct MpegFrameWalk {
    int64_t first = -1;        // offset of the first frame; -1 when there is none
    int64_t end = 0;           // just past the last whole frame
    int64_t samples = 0;       // per channel, of every frame counted
    MpegAudioHeader header{};  // the first frame's
    bool broken = false;
};
MpegFrameWalk WalkMpegFrames(const uint8_t* data, uint32_t size, int sampleRate, int channels,
                             bool mpeg25 = false);

int OpenOggVorbisReader(SoundConvertState* s);
int RefillOggVorbis(SoundConvertState* s);
// Decodes at most `bytes` (one frame or more) straight into `out`: the bytes
// written, or -1 at the end of the data.
long DecodeOggVorbis(SoundConvertState* s, uint8_t* out, uint32_t bytes);
void SeekOggVorbis(SoundConvertState* s, int64_t sample);
int64_t OggVorbisSize(SoundConvertState* s);
void EndOggVorbis(SoundConvertState* s);

// Set-up's last step after a reader succeeded: the output buffer of the
// chosen size, positions cleared, the initialised flag set. 0, or -1 (the
// converter then is ended). The conversion graph and tests of kind 3 call it too.
int FinishSoundConvertSetup(SoundConvertState* s);

}  // namespace DuRud
