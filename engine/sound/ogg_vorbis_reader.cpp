// Ogg Vorbis (kind 2) over vorbisfile, reading through the converter's
// loader stream. The Ogg variant 1 reads the Vorbis stream of a file that
// also carries a Theora stream: vorbisfile cannot seek in such a grouped
// file, so the Vorbis stream's own pages are found first and vorbisfile
// reads them, from where they lie in the file, as a file of their own.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <emmintrin.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "DuRud.h"
#include "sound/sound_convert_readers.h"

namespace DuRud {

namespace {

constexpr uint32_t kOggOutputBuffer = 4096;

size_t ReadCallback(void* buffer, size_t size, size_t count, void* source) {
    auto* s = static_cast<SoundConvertState*>(source);
    if (s == nullptr) return 0;  // never a byte count vorbisfile would take as data
    return s->stream.Read(buffer, size, count, s->streamHandle);
}

int SeekCallback(void* source, ogg_int64_t offset, int origin) {
    auto* s = static_cast<SoundConvertState*>(source);
    if (s == nullptr) return -1;
    return s->stream.Seek(s->streamHandle, int32_t(uint32_t(uint64_t(offset))), origin);
}

long TellCallback(void* source) {
    auto* s = static_cast<SoundConvertState*>(source);
    if (s == nullptr) return -1;
    return s->stream.Tell(s->streamHandle);
}

// --- variant 1: reads, seeks and tells in the Vorbis stream's pages ---------------

using PageSpan = OggPageSpan;

constexpr uint32_t kScanStep = 65536;  // file bytes handed to the page scan at a time

// The span that holds the given byte of the Vorbis stream (one exists while
// the position is below the pages' size).
const PageSpan* SpanAt(const SoundConvertState* s, uint32_t position) {
    const PageSpan* first = s->ogg.pages;
    const PageSpan* after =
        std::upper_bound(first, first + s->ogg.pageCount, position,
                         [](uint32_t p, const PageSpan& span) { return p < span.start; });
    return after - 1;
}

// The pages are read from the file where they lie, as the decoder asks for
// them: the movie's other streams never pass through memory.
size_t ReadPages(void* buffer, size_t size, size_t count, void* source) {
    auto* s = static_cast<SoundConvertState*>(source);
    if (s == nullptr || size == 0) return 0;
    const uint32_t left = s->ogg.pagesSize - std::min(s->ogg.pagesPosition, s->ogg.pagesSize);
    const size_t wanted = std::min(count, size_t(left) / size) * size;
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < wanted) {
        const PageSpan* span = SpanAt(s, s->ogg.pagesPosition);
        const uint32_t into = s->ogg.pagesPosition - span->start;
        const uint32_t n = uint32_t(std::min<size_t>(span->length - into, wanted - done));
        const int64_t at = int64_t(span->fileOffset) + into;
        if (s->stream.Tell(s->streamHandle) != at && !SeekStreamTo(s, at)) break;
        const uint32_t got = ReadStreamBytes(s, out + done, n);
        done += got;
        s->ogg.pagesPosition += got;
        if (got != n) break;
    }
    return done / size;
}

int SeekPages(void* source, ogg_int64_t offset, int origin) {
    auto* s = static_cast<SoundConvertState*>(source);
    if (s == nullptr) return -1;
    int64_t base = origin == SEEK_CUR   ? s->ogg.pagesPosition
                   : origin == SEEK_END ? s->ogg.pagesSize
                                        : 0;
    s->ogg.pagesPosition = uint32_t(std::clamp<int64_t>(base + offset, 0, s->ogg.pagesSize));
    return 0;
}

long TellPages(void* source) {
    auto* s = static_cast<SoundConvertState*>(source);
    return s == nullptr ? -1 : long(s->ogg.pagesPosition);
}

// Finds the pages of the first logical stream that begins as Vorbis and
// keeps where they lie in the kind-2 area; false when there is none. A
// serial is any 32-bit number, so whether one was found is kept apart.
bool IndexVorbisPages(SoundConvertState* s) {
    const int64_t size = MeasureStream(s);
    if (size <= 0 || size > INT32_MAX || !SeekStreamTo(s, 0)) return false;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    std::vector<PageSpan> pages;
    bool found = false;
    uint32_t serial = 0, total = 0;
    int64_t offset = 0;  // in the file, of the bytes the sync looks at next
    for (;;) {
        ogg_page page;
        const long n = ogg_sync_pageseek(&sync, &page);
        if (n == 0) {
            char* in = ogg_sync_buffer(&sync, long(kScanStep));
            const uint32_t read = in ? ReadStreamBytes(s, in, kScanStep) : 0;
            if (read == 0) break;
            ogg_sync_wrote(&sync, long(read));
            continue;
        }
        if (n < 0) {  // bytes skipped to the next page
            offset -= n;
            continue;
        }
        const uint32_t pageSerial = uint32_t(ogg_page_serialno(&page));
        if (!found && ogg_page_bos(&page) && page.body_len >= 7 &&
            std::memcmp(page.body, "\x01vorbis", 7) == 0) {
            found = true;
            serial = pageSerial;
        }
        if (found && pageSerial == serial) {
            // Pages that follow each other in the file are read as one span.
            if (!pages.empty() && pages.back().fileOffset + pages.back().length == offset)
                pages.back().length += uint32_t(n);
            else
                pages.push_back(PageSpan{total, uint32_t(offset), uint32_t(n)});
            total += uint32_t(n);
        }
        offset += n;
    }
    ogg_sync_clear(&sync);
    if (!found) return false;
    s->ogg.pages = static_cast<PageSpan*>(
        TrackedAlloc(uint32_t(pages.size() * sizeof(PageSpan)), __FILE__, __LINE__));
    if (s->ogg.pages == nullptr) return false;
    std::copy(pages.begin(), pages.end(), s->ogg.pages);
    s->ogg.pageCount = uint32_t(pages.size());
    s->ogg.pagesSize = total;
    s->ogg.pagesPosition = 0;
    return true;
}

// One Vorbis stream of the file: its last page number and its header
// packets, read as vorbisfile reads a link's headers.
struct StreamHeaders {
    long lastPage;
    ogg_stream_state os;
    vorbis_info info;
    vorbis_comment comment;
    int headers = 0;  // header packets taken; the stream is whole at 3

    StreamHeaders(uint32_t serial, long page) : lastPage(page) {
        ogg_stream_init(&os, int(serial));
        vorbis_info_init(&info);
        vorbis_comment_init(&comment);
    }
    ~StreamHeaders() {
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
        ogg_stream_clear(&os);
    }
    StreamHeaders(const StreamHeaders&) = delete;
    StreamHeaders& operator=(const StreamHeaders&) = delete;

    // Takes one page of the stream; false when a header packet is missing or
    // refused. Pages after the headers are not decoded.
    bool Take(ogg_page* page) {
        if (headers == 3) return true;
        if (ogg_stream_pagein(&os, page) != 0) return false;
        ogg_packet packet;
        for (int r; headers < 3 && (r = ogg_stream_packetout(&os, &packet)) != 0; ++headers)
            if (r < 0 || vorbis_synthesis_headerin(&info, &comment, &packet) != 0) return false;
        return true;
    }
};

// Every page belongs to a logical stream that began with a page of its own
// and follows that stream's earlier pages in sequence, and every stream is
// Vorbis with its three headers whole (a file that groups Vorbis with other
// streams is read by variant 1). vorbisfile breaks where this does not hold:
// pages of a stream that never began, a page repeated, or a seek in a grouped
// file steer the Ogg library into a negative copy length, and a chained link
// of another codec, or one whose headers fail, makes the open lose memory.
// Such files are refused before vorbisfile sees them. The stream is left at 0.
bool PagesFitVorbisfile(SoundConvertState* s) {
    const int64_t size = MeasureStream(s);
    if (size <= 0 || size > INT32_MAX || !SeekStreamTo(s, 0)) return false;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* in = ogg_sync_buffer(&sync, long(size));
    const uint32_t read = in ? ReadStreamBytes(s, in, uint32_t(size)) : 0;
    ogg_sync_wrote(&sync, long(read));
    std::vector<std::pair<uint32_t, std::unique_ptr<StreamHeaders>>> begun;
    bool whole = in != nullptr;
    ogg_page page;
    for (int r; whole && (r = ogg_sync_pageout(&sync, &page)) != 0;) {
        if (r < 0) continue;  // bytes skipped to the next page
        const uint32_t serial = uint32_t(ogg_page_serialno(&page));
        const long number = ogg_page_pageno(&page);
        auto stream = std::find_if(begun.begin(), begun.end(),
                                   [&](const auto& b) { return b.first == serial; });
        if (!ogg_page_bos(&page)) {
            whole = stream != begun.end() && number > stream->second->lastPage;
            if (whole) stream->second->lastPage = number;
        } else {
            whole = page.body_len >= 7 && std::memcmp(page.body, "\x01vorbis", 7) == 0;
            if (stream == begun.end()) {
                begun.emplace_back(serial, std::make_unique<StreamHeaders>(serial, number));
                stream = begun.end() - 1;
            } else if (stream->second->headers == 3) {  // a chain may use the serial again
                stream->second = std::make_unique<StreamHeaders>(serial, number);
            } else {
                whole = false;
            }
        }
        whole = whole && stream->second->Take(&page);
    }
    ogg_sync_clear(&sync);
    for (const auto& b : begun) whole = whole && b.second->headers == 3;
    return SeekStreamTo(s, 0) && whole;
}

OggVorbis_File* FileOf(SoundConvertState* s) {
    return static_cast<OggVorbis_File*>(s->ogg.file);
}

}  // namespace

int OpenOggVorbisReader(SoundConvertState* s) {
    if (s->oggBytesPerSample != 1 && s->oggBytesPerSample != 2) return -1;
    auto* vf =
        static_cast<OggVorbis_File*>(TrackedCalloc(sizeof(OggVorbis_File), __FILE__, __LINE__));
    if (vf == nullptr) return -1;
    s->ogg.file = vf;
    const ov_callbacks fromStream = {ReadCallback, SeekCallback, nullptr, TellCallback};
    const ov_callbacks fromPages = {ReadPages, SeekPages, nullptr, TellPages};
    if ((s->oggVariant == 1 && !IndexVorbisPages(s)) ||
        (s->oggVariant != 1 && !PagesFitVorbisfile(s)) ||
        ov_open_callbacks(s, vf, nullptr, 0, s->oggVariant == 1 ? fromPages : fromStream) != 0) {
        EndOggVorbis(s);
        return -1;
    }
    s->ogg.opened = 1;
    vorbis_info* info = ov_info(vf, -1);
    if (info == nullptr || info->channels < 1 || info->channels > 255 || info->rate <= 0 ||
        ov_pcm_total(vf, -1) < 0) {
        EndOggVorbis(s);
        return -1;
    }
    s->kind = SoundConvertKindOggVorbis;
    s->ogg.wordSize = s->oggBytesPerSample;
    WAVEFORMATEX& f = s->outputFormat;
    f = WAVEFORMATEX{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = WORD(info->channels);
    f.nSamplesPerSec = DWORD(info->rate);
    f.wBitsPerSample = WORD(8 * s->oggBytesPerSample);
    f.nBlockAlign = WORD(info->channels * s->oggBytesPerSample);
    if (!CompleteByteRate(&f)) {
        EndOggVorbis(s);
        return -1;
    }
    s->outputSize = kOggOutputBuffer;
    return 0;
}

namespace {

// One sample as a signed 16-bit word: scaled by 32768, rounded to nearest
// (ties to even) and held to the word's range, as vorbisfile converts.
int16_t Word(float sample) {
    const int v = _mm_cvtss_si32(_mm_set_ss(sample * 32768.f));
    return int16_t(std::clamp(v, -32768, 32767));
}

// vorbisfile's planar floats as interleaved little-endian words, four or
// eight samples a step for mono and stereo (the packing saturates as the
// clamp above does).
void InterleaveWords(float* const* pcm, int channels, long samples, uint8_t* out) {
    const __m128 scale = _mm_set1_ps(32768.f);
    long i = 0;
    if (channels == 1) {
        for (; i + 8 <= samples; i += 8) {
            const __m128i a = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(pcm[0] + i), scale));
            const __m128i b = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(pcm[0] + i + 4), scale));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_packs_epi32(a, b));
        }
    } else if (channels == 2) {
        for (; i + 4 <= samples; i += 4) {
            const __m128i l = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(pcm[0] + i), scale));
            const __m128i r = _mm_cvtps_epi32(_mm_mul_ps(_mm_loadu_ps(pcm[1] + i), scale));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i),
                             _mm_unpacklo_epi16(_mm_packs_epi32(l, l), _mm_packs_epi32(r, r)));
        }
    }
    for (; i < samples; ++i) {
        for (int c = 0; c < channels; ++c) {
            const int16_t w = Word(pcm[c][i]);
            std::memcpy(out + 2 * (i * channels + c), &w, sizeof w);
        }
    }
}

}  // namespace

long DecodeOggVorbis(SoundConvertState* s, uint8_t* out, uint32_t bytes) {
    OggVorbis_File* vf = FileOf(s);
    const int word = s->ogg.wordSize;
    const int channels = s->outputFormat.nChannels;
    // Hostile granule positions can make the decoder give more than the
    // length they promise: the output ends at that length.
    const int64_t left = OggVorbisSize(s) - s->outputPosition;
    if (left <= 0) return -1;
    // A later link with other channels or rate would be mislabelled PCM (and
    // its planes are not the ones the words are made from).
    const auto linkMatches = [&](int link) {
        const vorbis_info* info = ov_info(vf, link);
        return info != nullptr && info->channels == channels &&
               info->rate == long(s->outputFormat.nSamplesPerSec);
    };
    for (;;) {
        int link = 0;
        long n = 0;
        if (word == 2) {
            float** pcm = nullptr;
            n = ov_read_float(vf, &pcm, int(bytes / s->outputFormat.nBlockAlign), &link);
            if (n > 0) {
                if (!linkMatches(link)) return -1;
                InterleaveWords(pcm, channels, n, out);
                n *= s->outputFormat.nBlockAlign;
            }
        } else {
            n = ov_read(vf, reinterpret_cast<char*>(out), int(bytes), 0, word, 0, &link);
        }
        if (n == OV_HOLE) continue;  // a gap in the pages: the data goes on after it
        if (n <= 0 || !linkMatches(link)) return -1;
        return long(std::min<int64_t>(n, left));
    }
}

int RefillOggVorbis(SoundConvertState* s) {
    const long n = DecodeOggVorbis(s, s->outputBuffer, s->outputSize);
    if (n <= 0) return -1;
    s->unread = uint32_t(n);
    return 0;
}

void SeekOggVorbis(SoundConvertState* s, int64_t sample) {
    ov_pcm_seek(FileOf(s), sample);
    s->outputPosition = int64_t(s->outputFormat.nBlockAlign) * sample;
    s->unread = 0;
}

int64_t OggVorbisSize(SoundConvertState* s) {
    ogg_int64_t total = ov_pcm_total(FileOf(s), -1);
    return total < 0 ? 0 : total * s->outputFormat.nBlockAlign;
}

void EndOggVorbis(SoundConvertState* s) {
    if (s->ogg.opened) ov_clear(FileOf(s));
    TrackedFree(s->ogg.file);
    TrackedFree(s->ogg.pages);
    s->ogg = {};
}

}  // namespace DuRud
