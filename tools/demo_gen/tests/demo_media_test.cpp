// The demo data through the engine itself: every picture of the file list
// decodes and is large enough for its cells, every sound and tune converts
// (music at 44.1 kHz in stereo with its loop start inside), and every member
// of datas.ZAV read through the archive layer with the game's key equals its
// plain file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <string>

#include "DuRud.h"
#include "core/log.h"
#include "core/system_services.h"
#include "core/tracked_memory.h"
#include "demo_files_support.h"
#include "files/archive_access.h"
#include "files/loader_streams.h"
#include "image/image_loading.h"
#include "image/image_record.h"
#include "shell/list_files.h"
#include "sound/sound_convert.h"
#include "world/world_globals.h"

namespace fs = std::filesystem;
using namespace demo_check;

namespace {

struct converted {
    int ok = -1;
    int rate = 0, channels = 0, bits = 0;
    int64_t samples = 0;
    int source_tag = 0, source_bits = 0, source_rate = 0;
    double peak = 0, rms = 0, edge = 0;  // full scale 1.0; edge: the larger end sample
};

// Level of the converted PCM (8 or 16 bits).
void measure(converted& c, const void* block, int bytes) {
    const bool wide = c.bits == 16;
    const int n = wide ? bytes / 2 : bytes;
    if (n == 0) return;
    const auto sample = [&](int k) {
        return wide ? static_cast<const int16_t*>(block)[k] / 32768.0
                    : (static_cast<const uint8_t*>(block)[k] - 128) / 128.0;
    };
    double energy = 0;
    for (int k = 0; k < n; ++k) {
        const double v = sample(k);
        c.peak = std::max(c.peak, std::abs(v));
        energy += v * v;
    }
    c.rms = std::sqrt(energy / n);
    c.edge = std::max(std::abs(sample(0)), std::abs(sample(n - 1)));
}

double dbfs(double level) {
    return 20 * std::log10(std::max(level, 1e-9));
}

converted convert(const std::string& bytes) {
    converted c;
    DuRud::StreamHandle handle = DuRud::OpenMemoryImageStream(bytes.data(), uint32_t(bytes.size()));
    DuRud::SoundConvertState state{};
    if (DuRud::SetupSoundConvert(&state, DuRud::GetMemoryImageStreamInterface(), handle, 0, 2, 0) ==
        0) {
        void* block = nullptr;
        int n = 0;
        WAVEFORMATEX format{};
        c.ok = DuRud::ConvertSoundAll(&state, &format, &block, &n);
        c.rate = int(format.nSamplesPerSec);
        c.channels = format.nChannels;
        c.bits = format.wBitsPerSample;
        c.samples = format.nBlockAlign ? n / format.nBlockAlign : 0;
        c.source_tag = state.wave.sourceFormat.wFormatTag;
        c.source_bits = state.wave.sourceFormat.wBitsPerSample;
        c.source_rate = int(state.wave.sourceFormat.nSamplesPerSec);
        if (block) {
            measure(c, block, n);
            DuRud::TrackedFree(block);
        }
        DuRud::EndSoundConvert(&state);
    }
    DuRud::CloseMemoryImageStream(handle);
    return c;
}

// The picture that holds a sprite, decoded, read in that sprite's cell.
class sprite_picture {
  public:
    explicit sprite_picture(int sprite) {
        for (int i = 0; i < picture_records_read; ++i) {
            const picture_record& p = picture_entry[i];
            if (sprite < p.first_sprite || sprite >= p.first_sprite + p.count) continue;
            const std::string bytes = read_file(plain_dir() / p.name);
            if (DuRud::LoadBaseImage(nullptr, bytes.data(), int(bytes.size()), 1, &image_, 0) != 0)
                return;
            record_ = &p;
            const int k = sprite - p.first_sprite;
            if (p.cell_width > 0) {
                left_ = k % p.columns * p.cell_width;
                top_ = k / p.columns * p.cell_height;
            }
            return;
        }
    }
    ~sprite_picture() { DuRud::FreeBaseImagePixels(&image_); }
    bool loaded() const { return record_ != nullptr; }
    int width() const { return record_->cell_width > 0 ? record_->cell_width : image_.width; }
    int height() const { return record_->cell_height > 0 ? record_->cell_height : image_.height; }
    // 0xRRGGBB within the cell.
    uint32_t rgb(int x, int y) const {
        return DuRud::GetBaseImagePixelArgb(&image_, left_ + x, top_ + y) & 0xFFFFFF;
    }
    bool transparent(int x, int y) const {
        const uint32_t argb = DuRud::GetBaseImagePixelArgb(&image_, left_ + x, top_ + y);
        if (image_.colorFormat.alphaWidth > 0 && (argb >> 24) == 0) return true;
        return (argb & 0xFFFFFF) == 0xFF00FFu;  // the lists' BGCOLOR 255,0,255
    }
    // Light glyph strokes, and the dark edge round them.
    bool lit(int x, int y) const {
        const uint32_t c = rgb(x, y);
        return (c >> 16 & 0xFF) > 150 && (c >> 8 & 0xFF) > 150 && (c & 0xFF) > 150;
    }
    bool dark(int x, int y) const {
        const uint32_t c = rgb(x, y);
        return (c >> 16 & 0xFF) < 100 && (c >> 8 & 0xFF) < 100 && (c & 0xFF) < 100;
    }

  private:
    DuRud::BaseImage image_{};
    const picture_record* record_ = nullptr;
    int left_ = 0, top_ = 0;
};

class DemoMedia : public testing::Test {
  protected:
    void SetUp() override {
        DuRud::LoadWinApis();
        ASSERT_EQ(DuRud::SetLogFolder(fs::current_path().c_str()), 0);
        ASSERT_EQ(DuRud::LogStart(), 0);
        ASSERT_EQ(read_all_lists(), "none");
    }
    void TearDown() override {
        DuRud::UnloadWinApis();
        DuRud::ResetLogForTest();
    }
};

TEST_F(DemoMedia, PicturesDecodeAndHoldTheirCells) {
    ASSERT_GT(picture_records_read, 30);
    for (int i = 0; i < picture_records_read; ++i) {
        const picture_record& p = picture_entry[i];
        SCOPED_TRACE(p.name);
        const std::string bytes = read_file(plain_dir() / p.name);
        DuRud::BaseImage image{};
        ASSERT_EQ(DuRud::LoadBaseImage(nullptr, bytes.data(), int(bytes.size()), 1, &image, 0), 0);
        if (p.cell_width > 0 && p.cell_height > 0) {
            EXPECT_GE(image.width, p.columns * p.cell_width);
            EXPECT_GE(image.height, p.rows * p.cell_height);
            EXPECT_GE(p.columns * p.rows, p.count);
        }
        if (p.first_sprite >= 500 && p.first_sprite <= 519) {  // backgrounds fill the stage
            EXPECT_EQ(image.width, 800);
            EXPECT_EQ(image.height, 576);
        }
        DuRud::FreeBaseImagePixels(&image);
    }
}

// The title draws its footer (sprite 2020, scale 0.2, centred at (400, 557))
// and then the panel (sprite 360, top-left (0, 536)) over it.
TEST_F(DemoMedia, PanelLeavesTheTitleFooterInSight) {
    const sprite_picture footer(2020), panel(360);
    ASSERT_TRUE(footer.loaded() && panel.loaded());
    const int w = int(std::ceil(footer.width() * 0.2)), h = int(std::ceil(footer.height() * 0.2));
    ASSERT_LE(w, 800);
    int covered = 0;
    for (int y = 557 - h / 2; y <= 557 + h / 2; ++y)
        for (int x = 400 - w / 2; x <= 400 + w / 2; ++x) covered += !panel.transparent(x, y - 536);
    EXPECT_EQ(covered, 0) << "of the footer's " << w << " x " << h << " pixels";
}

// The HUD's power figures (small digits, cells 7 x 9, glyph at (1, 1)) and
// the continue countdown (cells 14 x 10, the figures centred on x 7 from
// y 2) are read at a glance: holes and gaps stay dark.
TEST_F(DemoMedia, SmallAndCountdownDigitsKeepTheirHoles) {
    struct Row {
        const char* name;
        int sprite, x, y;
        bool lit;
    } rows[] = {
        {"0, left stroke", 400, 1, 2, true},
        {"0, hole", 400, 3, 2, false},
        {"8, upper hole", 408, 3, 2, false},
        {"8, lower hole", 408, 3, 6, false},
        {"10: gap between 1 and 0", 180, 7, 3, false},
        {"10: hole of the 0", 180, 10, 3, false},
        {"18: lower left of the 8", 188, 8, 6, true},
        {"19: lower left of the 9", 189, 8, 6, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const sprite_picture p(r.sprite);
        ASSERT_TRUE(p.loaded());
        EXPECT_TRUE(r.lit ? p.lit(r.x, r.y) : p.dark(r.x, r.y)) << std::hex << p.rgb(r.x, r.y);
    }
}

// The result pictures (2040, 2041) under the tally: each figure (label glyphs
// 315-324, drawn centred at y 248 + 62 r) beside its label at x 160, and
// the clear-count medal (sprite 301 on, centred at (297, 140)) clear of the
// heading's gold.
TEST_F(DemoMedia, ResultLabelsStandBesideTheirFiguresAndTheMedalIsClear) {
    const sprite_picture digit(315);
    ASSERT_TRUE(digit.loaded());
    int glyph_top = 0;
    while (glyph_top < digit.height() && !digit.lit(digit.width() / 2, glyph_top)) ++glyph_top;
    const int figure_top = 248 - digit.height() / 2 + glyph_top;
    for (const int sprite : {2040, 2041}) {
        SCOPED_TRACE(sprite);
        const sprite_picture results(sprite);
        ASSERT_TRUE(results.loaded());
        for (int r = 0; r < 4; ++r) {
            int top = -1;  // the label's first row of white fill (every label's top row has one)
            for (int y = 248 + 62 * r - 30; y < 248 + 62 * r + 30 && top < 0; ++y)
                for (int x = 160; x < 240 && top < 0; ++x)
                    if (results.rgb(x, y) == 0xF6F4ECu) top = y;
            EXPECT_EQ(top, figure_top + 62 * r) << "row " << r;
        }
    }
    const sprite_picture results(2041), medal(301);
    ASSERT_TRUE(medal.loaded());
    int gold = 0;
    for (int y = 140 - medal.height() / 2; y < 140 + medal.height() / 2; ++y)
        for (int x = 297 - medal.width() / 2; x < 297 + medal.width() / 2; ++x) {
            const uint32_t c = results.rgb(x, y);
            gold += (c >> 16 & 0xFF) > 150 && (c >> 8 & 0xFF) > 100 && (c & 0xFF) < 110;
        }
    EXPECT_EQ(gold, 0);
}

TEST_F(DemoMedia, SoundsAndMusicConvertThroughTheEngine) {
    ASSERT_EQ(DuRud::InitSoundConvert(), 0);
    std::map<std::string, int> kinds;  // "pcm16", "pcm8", "float", "ogg"
    for (int i = 0; i < sound_records_read; ++i) {
        const sound_entry_record& s = sound_entry[i];
        SCOPED_TRACE(s.file);
        const converted c = convert(read_file(plain_dir() / s.file));
        ASSERT_EQ(c.ok, 0);
        EXPECT_GT(c.samples, 0);
        // Loud enough to hear, never clipping: peaks about -3 dBFS; no click at either end.
        EXPECT_NEAR(dbfs(c.peak), -3.0, 1.0);
        EXPECT_LT(c.edge, 0.02);
        const std::string ext = fs::path(s.file).extension().string();
        if (ext == ".ogg")
            ++kinds["ogg"];
        else if (c.source_tag == 3)
            ++kinds["float"];
        else if (c.source_bits == 8 && c.source_rate == 22050)
            ++kinds["pcm8"];
        else if (c.source_bits == 16 && c.source_rate == 44100)
            ++kinds["pcm16"];
    }
    EXPECT_EQ(kinds["pcm8"], 3);
    EXPECT_EQ(kinds["float"], 1);
    EXPECT_EQ(kinds["ogg"], 4);
    EXPECT_EQ(kinds["pcm16"], sound_records_read - 8);
    for (int i = 0; i < music_records_read; ++i) {
        const music_record& m = music_entry[i];
        SCOPED_TRACE(m.file);
        const converted c = convert(read_file(plain_dir() / m.file));
        ASSERT_EQ(c.ok, 0);
        EXPECT_EQ(c.rate, 44100) << "every slot plays at 44100 Hz";
        EXPECT_EQ(c.channels, 2);
        EXPECT_NEAR(dbfs(c.rms), -18.0, 2.0) << "music sits about -18 dBFS";
        EXPECT_GE(m.loop, 0);
        EXPECT_LT(m.loop, c.samples) << "the loop starts inside the tune";
        EXPECT_GE(c.samples, 30 * 44100);
        EXPECT_LE(c.samples, 61 * 44100);
    }
    DuRud::TerminateSoundConvert();
}

TEST_F(DemoMedia, ArchiveMembersEqualTheirPlainFiles) {
    // A folder of the archive alone, as the game runs in it.
    fs::create_directories("game");
    fs::copy_file(fs::path(DEMO_DIR) / "datas.ZAV", "game/datas.ZAV",
                  fs::copy_options::overwrite_existing);
    const fs::path back = fs::current_path();
    fs::current_path("game");
    DuRud::InitArchives();
    DuRud::SetArchiveKeyString("qorvintabelux");
    int members = 0;
    for (const auto& entry : fs::recursive_directory_iterator(plain_dir() / "datas")) {
        if (!entry.is_regular_file()) continue;
        const std::string inner = fs::relative(entry.path(), plain_dir()).generic_string();
        SCOPED_TRACE(inner);
        DuRud::StreamHandle h = DuRud::ArchiveApiOpen(inner.c_str(), 0, 0, 0);
        ASSERT_NE(h, 0);
        std::string bytes, part(65536, '\0');
        for (size_t n; (n = DuRud::ArchiveApiRead(part.data(), 1, part.size(), h)) > 0;)
            bytes.append(part, 0, n);
        DuRud::ArchiveApiClose(h);
        EXPECT_TRUE(bytes == read_file(entry.path())) << "sizes " << bytes.size();
        ++members;
    }
    DuRud::SetArchiveKeyString(nullptr);
    DuRud::EndArchives();
    fs::current_path(back);
    EXPECT_GT(members, 60);
    EXPECT_LT(fs::file_size(fs::path(DEMO_DIR) / "datas.ZAV"), 40u << 20);
}

}  // namespace
