// The one MPEG audio decoding wrapper: finds frame syncs in the bytes it is
// given and hands libmpg123 (feed mode, one handle per decoder) one whole
// frame at a time, so that each frame yields exactly its own samples (1152,
// 576 or 384 per channel) and nothing stays back inside the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct mpg123_handle_struct;  // libmpg123's decoder

namespace platform {

// One MPEG-1, MPEG-2 or MPEG-2.5 (Layer III) audio frame header (free
// format refused).
struct MpegFrameHeader {
    int version;  // 1, 2, or 25 for MPEG-2.5
    int layer;    // 1, 2 or 3
    int bitRate;  // kbit/s
    int sampleRate;
    int channels;
    int padding;
    int length;   // bytes of the whole frame
    int samples;  // per channel
};

class MpegAudioFeed {
  public:
    MpegAudioFeed();
    ~MpegAudioFeed();
    MpegAudioFeed(const MpegAudioFeed&) = delete;
    MpegAudioFeed& operator=(const MpegAudioFeed&) = delete;

    // False when libmpg123 could not make a decoder.
    bool ok() const { return handle_ != nullptr; }

    // Parses 4 header bytes; false for anything that is not a frame header.
    static bool ParseHeader(const uint8_t* bytes, MpegFrameHeader* header);

    // Finds the next frame at or after `from` in size bytes whose header
    // parses and whose rate and channels match (0 matches any). Returns its
    // offset, or -1; a frame cut by the end is still found (check its length).
    static ptrdiff_t FindFrame(const uint8_t* data, size_t size, size_t from, int sampleRate,
                               int channels, MpegFrameHeader* header);

    // Decodes one whole frame into header.samples x header.channels 16-bit
    // samples appended to out; a frame the library cannot decode yields
    // silence of the same length. False when the library fails outright.
    bool DecodeFrame(const uint8_t* frame, const MpegFrameHeader& header,
                     std::vector<int16_t>* out);

  private:
    ::mpg123_handle_struct* handle_ = nullptr;
};

}  // namespace platform
