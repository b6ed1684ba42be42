// The Theora player against libtheora's own sequential decode: frame counts,
// seeks, the wrap, the three chroma layouts, refused files and open-close
// cycles that leave no thread.
#include <ogg/ogg.h>
#include <theora/theoradec.h>

#include <algorithm>
#include <cstring>

#include "../sound_convert_support.h"
#include "sound/movie/movie_frames.h"
#include "sound/movie/theora_player.h"

using namespace DuRud;
using namespace mediafixtures;

namespace {

struct Planes {
    int w, h, cw, ch;
    std::vector<uint8_t> y, u, v;
};

// Every frame of the file, decoded in order.
std::vector<Planes> Reference(const std::string& ogg) {
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    std::memcpy(ogg_sync_buffer(&sync, long(ogg.size())), ogg.data(), ogg.size());
    ogg_sync_wrote(&sync, long(ogg.size()));
    th_info info;
    th_comment comment;
    th_setup_info* setup = nullptr;
    th_info_init(&info);
    th_comment_init(&comment);
    th_dec_ctx* dec = nullptr;
    ogg_stream_state os;
    ogg_stream_init(&os, 0x7EE0);
    std::vector<Planes> frames;
    ogg_page page;
    ogg_packet packet;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        ogg_stream_pagein(&os, &page);
        while (ogg_stream_packetout(&os, &packet) == 1) {
            if (!dec) {
                if (th_decode_headerin(&info, &comment, &setup, &packet) != 0) continue;
                dec = th_decode_alloc(&info, setup);
            }
            th_decode_packetin(dec, &packet, nullptr);
            th_ycbcr_buffer b;
            th_decode_ycbcr_out(dec, b);
            Planes p{b[0].width, b[0].height, b[1].width, b[1].height, {}, {}, {}};
            for (int r = 0; r < p.h; ++r)
                p.y.insert(p.y.end(), b[0].data + r * b[0].stride,
                           b[0].data + r * b[0].stride + p.w);
            for (int r = 0; r < p.ch; ++r) {
                p.u.insert(p.u.end(), b[1].data + r * b[1].stride,
                           b[1].data + r * b[1].stride + p.cw);
                p.v.insert(p.v.end(), b[2].data + r * b[2].stride,
                           b[2].data + r * b[2].stride + p.cw);
            }
            frames.push_back(std::move(p));
        }
    }
    th_decode_free(dec);
    th_setup_free(setup);
    th_comment_clear(&comment);
    th_info_clear(&info);
    ogg_stream_clear(&os);
    ogg_sync_clear(&sync);
    return frames;
}

int Clamp(double v) {
    return std::clamp(int(v), 0, 255);
}

// Blue, green, red, 255 of pixel (x, y): 14-bit fixed point for 4:2:0, else
// floating point with the chroma sample scaled to the luma position.
uint32_t Rgb(const Planes& p, int x, int y) {
    const int Y = p.y[y * p.w + x], c = (y * p.ch / p.h) * p.cw + x * p.cw / p.w;
    const int U = p.u[c] - 128, V = p.v[c] - 128;
    int r, g, b;
    if (p.cw * 2 == p.w && p.ch * 2 == p.h) {
        const int l = 19070 * (Y - 16);
        r = Clamp((l + 26148 * V) / 16384);
        g = Clamp((l - 6406 * U - 13320 * V) / 16384);
        b = Clamp((l + 33062 * U) / 16384);
    } else {
        const double l = 1.164 * (Y - 16);
        r = Clamp(l + 1.596 * V), g = Clamp(l - 0.391 * U - 0.813 * V), b = Clamp(l + 2.018 * U);
    }
    return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
}

// Pixels that differ from the reference frame (0 when equal).
int Differences(TheoraState* s, const Planes& p) {
    if (!TheoraConvertCurrentFrame(s, 1, 0, 0)) return -1;
    const BaseImage* image = TheoraGetFrameImage(s);
    int bad = 0;
    for (int y = 0; y < p.h; ++y)
        for (int x = 0; x < p.w; ++x)
            bad += reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(image->pixels) +
                                                     y * image->pitch)[x] != Rgb(p, x, y);
    return bad;
}

struct Player {
    StreamHandle stream = 0;
    TheoraState* state = nullptr;
    explicit Player(const std::string& bytes) {
        testsupport::WriteFile("movie.ogv", bytes);
        stream = PlainStreamFunctionSet().Open("movie.ogv", 0, 1, 0);
        state = TheoraOpen(&PlainStreamFunctionSet(), stream, 10, 0);
    }
    ~Player() {
        if (state) TheoraClose(state);
        PlainStreamFunctionSet().Close(stream);
    }
};

class TheoraPlayerThreads : public soundtest::SoundConvertTest {
  protected:
    void SetUp() override {
        SoundConvertTest::SetUp();
        threads_ = testsupport::QuietThreadCount();
    }
    void TearDown() override {
        EXPECT_EQ(threads_, testsupport::SettledThreadCount(threads_));
        SoundConvertTest::TearDown();
    }
    int threads_ = 0;
};

struct LayoutRow {
    const char* name;
    TheoraMovie movie;
    int codedWidth, codedHeight, keyFrames;
};

TEST_F(TheoraPlayerThreads, SeeksAndTheWrapShowTheSequentialDecode) {
    const LayoutRow rows[] = {
        {"420 with a cut picture", {100, 60, TH_PF_420, 20, 8, 30, 1}, 112, 64, 3},
        {"422", {32, 16, TH_PF_422, 12, 8, 25, 2}, 32, 16, 2},
        {"444", {16, 32, TH_PF_444, 9, 8, 24, 1}, 16, 32, 2},
        // Pages of a few frames each: seeks back start at a page, not the file.
        {"many pages", {176, 144, TH_PF_420, 40, 8, 30, 1}, 176, 144, 5},
    };
    for (const LayoutRow& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string ogg = EncodeTheora(row.movie);
        const std::vector<Planes> ref = Reference(ogg);
        ASSERT_EQ(int(ref.size()), row.movie.frames);
        Player player(ogg);
        ASSERT_NE(player.state, nullptr);
        MovieInfo info;
        TheoraGetMovieInfo(player.state, &info);
        EXPECT_EQ(info.width, row.codedWidth);
        EXPECT_EQ(info.height, row.codedHeight);
        EXPECT_EQ(info.frameCount, row.movie.frames);
        EXPECT_DOUBLE_EQ(info.framesPerSecond,
                         double(row.movie.fpsNumerator) / row.movie.fpsDenominator);
        EXPECT_EQ(TheoraKeyFrameCount(player.state), row.keyFrames);
        EXPECT_EQ(Differences(player.state, ref[0]), 0) << "frame 0 at open";
        const int n = row.movie.frames;
        for (int k : {n - 1, 3, 9 % n, 0, n / 2, 1}) {
            TheoraSeekFrame(player.state, k);
            EXPECT_EQ(Differences(player.state, ref[k]), 0) << "seek " << k;
        }
        TheoraSeekFrame(player.state, -5);
        EXPECT_EQ(TheoraGetCurrentFrame(player.state), 0);
        EXPECT_EQ(Differences(player.state, ref[0]), 0) << "seek below 0";
        TheoraSeekFrame(player.state, n - 2);
        TheoraAdvanceFrames(player.state, 3);
        EXPECT_EQ(TheoraGetCurrentFrame(player.state), 1);
        EXPECT_EQ(Differences(player.state, ref[1]), 0) << "through the wrap";
        for (int k = 2; k < n; ++k) {
            TheoraAdvanceFrames(player.state, 1);
            ASSERT_EQ(Differences(player.state, ref[k]), 0) << "advancing to " << k;
        }
    }
}

// The first page with its identification header's frame-rate numerator set
// to 0 and its checksum redone.
std::string ZeroRate(std::string ogg) {
    const size_t body = 27 + uint8_t(ogg[26]);
    std::fill_n(ogg.begin() + long(body) + 22, 4, '\0');
    ogg_page page{reinterpret_cast<unsigned char*>(ogg.data()), long(body),
                  reinterpret_cast<unsigned char*>(ogg.data()) + body, uint8_t(ogg[27])};
    ogg_page_checksum_set(&page);
    return ogg;
}

TEST_F(TheoraPlayerThreads, BadFilesAreRefusedAndCyclesLeaveNothing) {
    const TheoraMovie small{16, 16, TH_PF_420, 6, 8, 25, 1};
    const std::string good = EncodeTheora(small);
    const struct {
        const char* name;
        std::string bytes;
        bool logs;
    } rows[] = {
        {"not Ogg", "RIFF" + good.substr(4), false},
        {"Vorbis only", EncodeVorbis(Tone(4410, 1, 44100, 440, 8000), 1, 44100, 0.3f), false},
        {"headers cut", good.substr(0, 120), true},
        {"no frame", EncodeTheora({16, 16, TH_PF_420, 0, 8, 25, 1}), true},
        {"zero frame rate: the decoder refuses its header", ZeroRate(good), false},
        // Sized by the header before any picture is read: refused, not allocated.
        {"wider than 4096", EncodeTheora({4112, 16, TH_PF_420, 1, 8, 25, 1}), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string before = testsupport::ReadFile("Log.txt");
        Player player(row.bytes);
        EXPECT_EQ(player.state, nullptr);
        EXPECT_EQ(testsupport::ReadFile("Log.txt") != before, row.logs);
    }
    for (int cycle = 0; cycle < 200; ++cycle) {
        Player player(good);
        ASSERT_NE(player.state, nullptr);
        if (cycle % 3 == 0) TheoraSeekFrame(player.state, cycle % 6);
    }
}

}  // namespace
