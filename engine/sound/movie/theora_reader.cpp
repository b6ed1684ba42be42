// Ogg pages and Theora packets of one movie, read in order from the stream.
// Decoding always runs from a key frame through the wanted frame, so inter
// frames never show a picture predicted from the wrong one.
#include "sound/movie/theora_reader.h"

#include <algorithm>
#include <cstdint>

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

// The next page from the file, and where it starts; false at its end.
// Bytes between pages (damage, junk) are skipped and counted.
bool NextPage(TheoraReader* r, ogg_page* page, int64_t* position = nullptr) {
    for (;;) {
        const long n = ogg_sync_pageseek(&r->sync, page);
        if (n > 0) {
            if (position) *position = r->offset;
            r->offset += n;
            return true;
        }
        if (n < 0)
            r->offset -= n;
        else if (ReadMore(r) == 0)
            return false;
    }
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

// Reading starts again at a page: `frame` is the first frame packet that
// will come out.
void StartAt(TheoraReader* r, int64_t position, int64_t frame) {
    ogg_sync_reset(&r->sync);
    ogg_stream_reset(&r->os);
    r->io->Seek(r->stream, static_cast<int32_t>(position), 0);
    r->offset = position;
    r->nextPacket = frame;
    r->chainValid = false;
}

void Rewind(TheoraReader* r) {
    StartAt(r, 0, 0);
}

// Reading from the page where frame `key - 1` completes, so the key frame's
// packet comes whole, however many pages it spans; from the start when no
// page behind it can be entered.
void SeekToKeyFrame(TheoraReader* r, int64_t key) {
    const auto page = std::find_if(
        r->pages.begin(), r->pages.end(),
        [&](const TheoraPageRecord& p) { return p.framesBefore + p.frames > key - 1; });
    if (key == 0 || page == r->pages.end() || page->continuesHeader || page->position > INT32_MAX) {
        Rewind(r);
        return;
    }
    StartAt(r, page->position, page->framesBefore + (page->continuesFrame ? 1 : 0));
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

// One byte per frame packet (1 for a key frame) and a record per page.
void IndexFrames(TheoraReader* r) {
    Rewind(r);
    ogg_page page;
    int64_t position = 0;
    while (NextPage(r, &page, &position)) {
        if (ogg_page_serialno(&page) != r->os.serialno) continue;
        TheoraPageRecord record{position, static_cast<int64_t>(r->keyFrames.size()), 0, false,
                                false};
        const bool continued = ogg_page_continued(&page) != 0;
        ogg_stream_pagein(&r->os, &page);
        ogg_packet packet;
        for (int got, out = 0; (got = ogg_stream_packetout(&r->os, &packet)) != 0;) {
            if (got < 0) continue;  // a gap: the next packet follows
            const bool header = theora_packet_isheader(&packet) != 0;
            if (continued && out++ == 0)
                (header ? record.continuesHeader : record.continuesFrame) = true;
            if (header) continue;
            r->keyFrames.push_back(theora_packet_iskeyframe(&packet) == 1 ? 1 : 0);
            ++record.frames;
        }
        r->pages.push_back(record);
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
    if (target < r->nextPacket || (!r->chainValid && key < r->nextPacket)) SeekToKeyFrame(r, key);
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
