// Ogg pages and Theora packets of one movie, read in order from the stream.
// Decoding always runs from a key frame through the wanted frame, so inter
// frames never show a picture predicted from the wrong one.
#include "sound/movie/theora_reader.h"

#include "DuRud.h"

namespace DuRud {

namespace {

constexpr int kReadChunk = 4096;

int ReadMore(TheoraReader* r) {
    char* buffer = ogg_sync_buffer(&r->sync, kReadChunk);
    const size_t got = r->io->Read(buffer, 1, kReadChunk, r->stream);
    ogg_sync_wrote(&r->sync, static_cast<long>(got));
    return static_cast<int>(got);
}

// The next page from the file; false at its end.
bool NextPage(TheoraReader* r, ogg_page* page) {
    while (ogg_sync_pageout(&r->sync, page) != 1)
        if (ReadMore(r) == 0) return false;
    return true;
}

// The next packet of the Theora stream; false at the end of the file.
bool NextPacket(TheoraReader* r, ogg_packet* packet) {
    for (;;) {
        const int got = ogg_stream_packetout(&r->os, packet);
        if (got == 1) return true;
        if (got < 0) continue;  // a gap: the next packet follows
        ogg_page page;
        if (!NextPage(r, &page)) return false;
        if (ogg_page_serialno(&page) == r->os.serialno) ogg_stream_pagein(&r->os, &page);
    }
}

void Rewind(TheoraReader* r) {
    ogg_sync_reset(&r->sync);
    ogg_stream_reset(&r->os);
    r->io->Seek(r->stream, 0, 0);
    r->nextPacket = 0;
    r->chainValid = false;
}

// Finds the Theora stream among the first pages and feeds its three headers.
bool ReadHeaders(TheoraReader* r) {
    int headers = 0;
    ogg_page page;
    ogg_packet packet;
    while (headers == 0) {
        if (!NextPage(r, &page) || !ogg_page_bos(&page)) return false;
        ogg_stream_state trial;
        ogg_stream_init(&trial, ogg_page_serialno(&page));
        ogg_stream_pagein(&trial, &page);
        if (ogg_stream_packetout(&trial, &packet) == 1 &&
            theora_decode_header(&r->info, &r->comment, &packet) >= 0) {
            r->os = trial;
            r->streamReady = true;
            headers = 1;
        } else {
            ogg_stream_clear(&trial);
        }
    }
    while (headers < 3) {
        if (!NextPacket(r, &packet)) {
            LogWrite("End of file while searching for codec headers.\n");
            return false;
        }
        if (theora_decode_header(&r->info, &r->comment, &packet) < 0) return false;
        ++headers;
    }
    return true;
}

void IndexFrames(TheoraReader* r) {
    Rewind(r);
    ogg_packet packet;
    while (NextPacket(r, &packet)) {
        if (theora_packet_isheader(&packet)) continue;
        r->keyFrames.push_back(theora_packet_iskeyframe(&packet) == 1 ? 1 : 0);
    }
    r->frameCount = static_cast<int64_t>(r->keyFrames.size());
    Rewind(r);
}

}  // namespace

int StartTheoraReader(TheoraReader* r, const StreamFunctionTable* io, StreamHandle stream,
                      const char** message) {
    *message = nullptr;
    r->io = io;
    r->stream = stream;
    ogg_sync_init(&r->sync);
    theora_info_init(&r->info);
    theora_comment_init(&r->comment);
    if (!ReadHeaders(r)) return -1;
    const theora_info& i = r->info;
    if (i.fps_numerator == 0 || i.fps_denominator == 0 || i.width == 0 || i.height == 0 ||
        i.width > kTheoraMaxSide || i.height > kTheoraMaxSide) {
        *message = Cp932Text("Theora ムービーの情報が不正です\n");
        return -1;
    }
    if (theora_decode_init(&r->decoder, &r->info) != 0) return -1;
    r->decoderReady = true;
    IndexFrames(r);
    if (r->frameCount == 0) {
        *message = Cp932Text("Theora ムービーにフレームがありません\n");
        return -1;
    }
    return 0;
}

void EndTheoraReader(TheoraReader* r) {
    if (r->decoderReady) theora_clear(&r->decoder);
    if (r->streamReady) ogg_stream_clear(&r->os);
    theora_comment_clear(&r->comment);
    theora_info_clear(&r->info);
    ogg_sync_clear(&r->sync);
    r->decoderReady = r->streamReady = false;
}

bool DecodeTheoraFrame(TheoraReader* r, int64_t target) {
    if (target < 0 || target >= r->frameCount) return false;
    int64_t key = target;
    while (key > 0 && !r->keyFrames[key]) --key;
    if (target < r->nextPacket || (!r->chainValid && key < r->nextPacket)) Rewind(r);
    ogg_packet packet;
    while (r->nextPacket <= target) {
        if (!NextPacket(r, &packet)) return false;
        if (theora_packet_isheader(&packet)) continue;
        const int64_t frame = r->nextPacket++;
        if (frame < key) {
            r->chainValid = false;
            continue;
        }
        if (theora_decode_packetin(&r->decoder, &packet) != 0) return false;
        r->chainValid = true;
    }
    return true;
}

}  // namespace DuRud
