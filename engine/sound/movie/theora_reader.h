// The synchronous half of the Theora player: an Ogg Theora stream read
// through the engine's stream functions, its three headers, an index of its
// frames and decoding up to a wanted frame. The player's decoding thread
// drives it; nothing here takes a lock or starts a thread.
#pragma once

#include <ogg/ogg.h>
#include <theora/theora.h>

#include <cstdint>
#include <vector>

#include "files/file_access_table.h"

namespace DuRud {

// One page of the Theora stream, for seeking: where it starts in the file,
// how many frames completed before it, and whether the packet it continues
// (dropped when reading starts at the page) is a frame.
struct TheoraPageRecord {
    int64_t position;
    int64_t framesBefore;
    int32_t frames;        // frames that complete in it
    bool continuesFrame;   // starts with the rest of a frame packet
    bool continuesHeader;  // starts with the rest of a header packet
};

struct TheoraReader {
    const StreamFunctionTable* io = nullptr;
    StreamHandle stream = 0;
    ogg_sync_state sync{};
    ogg_stream_state os{};
    bool streamReady = false;
    theora_info info{};
    theora_comment comment{};
    theora_state decoder{};
    bool decoderReady = false;
    int64_t nextPacket = 0;          // the frame whose packet comes next
    bool chainValid = false;         // every packet since the last key frame was decoded
    std::vector<uint8_t> keyFrames;  // one byte per frame: 1 for a key frame
    int64_t frameCount = 0;
    std::vector<TheoraPageRecord> pages;
    int64_t offset = 0;  // file position of the sync layer's next unread byte
};

// The largest picture side taken: the decoder and the frame image are sized
// by the header before any picture data is seen.
constexpr uint32_t kTheoraMaxSide = 4096;

// Reads the headers, checks the picture, starts the decoder and indexes the
// frames (the stream is rewound after). 0, or -1 with *message the log line
// to write (code page 932; null when the file is simply no Theora movie).
// The caller owns the reader and ends it either way.
int StartTheoraReader(TheoraReader* r, const StreamFunctionTable* io, StreamHandle stream,
                      const char** message);
void EndTheoraReader(TheoraReader* r);
// Leaves the decoder holding frame target (0 <= target < frameCount), decoded
// from its key frame on (reading from the page before it when that lies
// behind); false when the data ran out or a packet was refused.
bool DecodeTheoraFrame(TheoraReader* r, int64_t target);

}  // namespace DuRud
