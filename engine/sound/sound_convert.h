// Sound conversion: turns a sound file read through a loader stream into
// 16-bit (or 8-bit) PCM described by a WAVEFORMATEX, whole or as a running
// decoder that a stream sound refills from, seeks in and loops. Readers, in
// order: WAVE PCM or float, WAVE through the compression manager, Ogg Vorbis,
// raw MP3 through the compression manager, MP3 through the conversion graph.
#pragma once

#include <cstdint>

#include "files/loader_streams.h"
#include "msacm.h"
#include "wave_format.h"

namespace DuRud {

// Skip-mask bits: a set bit leaves that reader out.
enum SoundConvertReader {
    SoundConvertSkipWave = 1,
    SoundConvertSkipWaveAcm = 2,
    SoundConvertSkipOggVorbis = 4,
    SoundConvertSkipMp3Acm = 8,
    SoundConvertSkipMp3Graph = 16,
};

enum SoundConvertKind {
    SoundConvertKindWave = 0,
    SoundConvertKindAcm = 1,
    SoundConvertKindOggVorbis = 2,
    SoundConvertKindPcmBlock = 3,
};

// Where a page of an Ogg file's Vorbis stream lies (or a run of them that
// follow each other in the file): the Ogg variant 1 decoder reads such spans
// one after another as a file of their own.
struct OggPageSpan {
    uint32_t start;  // in the Vorbis stream's own bytes
    uint32_t fileOffset;
    uint32_t length;
};

struct SoundConvertState {
    int initialised;
    int endOfData;
    int kind;
    StreamInterface stream;
    StreamHandle streamHandle;
    int64_t formatPosition, formatSize;  // the "fmt " chunk
    int64_t dataPosition, dataSize;      // the "data" chunk, or the MP3 frames
    WAVEFORMATEX outputFormat;

    struct {
        uint8_t* floatBuffer;  // one second of float source
        uint32_t floatBufferSize;
        WAVEFORMATEX sourceFormat;
    } wave;
    struct {
        WAVEFORMATEX* sourceFormat;  // the whole format block
        HACMSTREAM mainStream;
        HACMSTREAM loopStream;
        uint8_t* sourceData;  // the whole compressed data
        uint32_t sourceSize;
        uint32_t sourcePosition;  // main stream
        int64_t totalSamples;     // -1 when unknown
        uint32_t loopSourcePosition;
        int64_t loopOutputPosition;
        uint8_t* scratch;  // the loop stream's output, thrown away
        uint32_t step;     // source bytes per conversion step
    } acm;
    struct {
        int opened;
        void* file;  // vorbisfile's decoder record
        int wordSize;
        OggPageSpan* pages;  // variant 1: the Vorbis stream's own pages, in order
        uint32_t pageCount;
        uint32_t pagesSize;      // all the pages together
        uint32_t pagesPosition;  // the decoder's read position in them
    } ogg;
    struct {
        uint8_t* block;
        uint32_t capacity;
        uint32_t used;
        uint32_t readPosition;
    } pcm;

    uint8_t* outputBuffer;
    uint32_t outputSize;
    uint32_t unread;         // bytes of the output buffer not yet delivered
    uint32_t readPosition;   // in the output buffer
    int64_t outputPosition;  // bytes delivered since the start
    int64_t loopPosition;    // output bytes (compression manager kind)
    int oggBytesPerSample;   // 1 or 2
    int oggVariant;          // 1: the Vorbis stream of a file that also holds Theora
};

// Loads "msacm32.dll" and its eight entry points: 0, or -1 when already
// initialised or anything is missing (then nothing stays loaded).
int InitSoundConvert();
int TerminateSoundConvert();  // 0, or -1 when not initialised

// 0 and a ready converter, or -1. The stream is the caller's; the converter
// only reads and seeks it.
int SetupSoundConvert(SoundConvertState* state, const StreamInterface* stream, StreamHandle handle,
                      int skipMask, int oggBytesPerSample, int oggVariant);
// Bytes written (fewer at the end of the data, 0 after it); -1 when not set up.
int RunSoundConvert(SoundConvertState* state, void* destination, int bytes);
int SeekSoundConvert(SoundConvertState* state, int sample);  // 0; -1 for an unknown kind
int GetSoundConvertSize(SoundConvertState* state);           // total PCM bytes from the start
// Converts from the start into the caller's `bytes`: the bytes written (fewer
// when the data ends first), or -1 when not set up.
int ConvertSoundFromStart(SoundConvertState* state, void* destination, int bytes);
// Converts from the start into one new tracked block (the caller frees it):
// 0, or -1 when not set up or the block cannot be allocated.
int ConvertSoundAll(SoundConvertState* state, WAVEFORMATEX* format, void** block, int* bytes);
int EndSoundConvert(SoundConvertState* state);  // -1 when not set up
int SetConvertLoopPoint(SoundConvertState* state, int sample);
int GetConvertFormat(SoundConvertState* state, WAVEFORMATEX* format);

// An MPEG audio frame header (h0..h3); 0 and the fields, or -1 when the bytes
// are no MPEG-1/MPEG-2 frame header or name a reserved or free-format value.
struct MpegAudioHeader {
    int mpeg1;    // 1 MPEG-1, 0 MPEG-2 (or MPEG-2.5 in a WAVE's frame walk)
    int layer;    // 1, 2 or 3
    int bitRate;  // kbit/s
    int sampleRate;
    int padding;
    int channels;
    int frameLength;  // bytes
    int samples;      // per channel
};
int ParseMpegAudioHeader(const uint8_t* bytes, MpegAudioHeader* header);

// The last reader: MP3 through the conversion graph (kind 3).
int DecodeMp3ToPcm(SoundConvertState* state);

}  // namespace DuRud
