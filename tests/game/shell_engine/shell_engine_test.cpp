// The game's entry on the real engine: a child copy of this program runs
// WinMain on the strict virtual clock with a test scene in every slot of the
// scene table, in a folder of its own; the test reads what it left there
// (its report, the pictures the window showed, the settings file).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <windows.h>

#include "DuRud.h"
#include "shell/scene_table.h"
#include "shell/win_main.h"
#include "support/test_support.h"
#include "support/window_test_support.h"
#include "test_knobs.h"
#include "window/main_window.h"
#include "world/test_observer.h"
#include "world/world_globals.h"

namespace fs = std::filesystem;

namespace {

// The child's part: its folder, the pass at which it closes the window and
// the passes whose observer event saves the picture shown (the one presented
// by the pass before).
constexpr const char* kFolderVariable = "SHELL_ENGINE_FOLDER";
constexpr const char* kCloseVariable = "SHELL_ENGINE_CLOSE_AT";
constexpr const char* kCaptureVariable = "SHELL_ENGINE_CAPTURES";
constexpr const char* kChildTest = "ShellEngineChildProcess.RunsTheGame";

// What the test scene draws, in the logical 800 x 600: dark grey, two boxes
// and, as references for the frame keeper's text at (0, 590), the texts it
// shows first and once the rate has settled.
constexpr uint32_t kGrey = 0x404040, kRed = 0xC82828, kGreen = 0x28C828;
struct box {
    int x1, y1, x2, y2;
    uint32_t rgb;
};
constexpr box kBoxes[] = {{100, 100, 300, 200, kRed}, {500, 300, 540, 340, kGreen}};
constexpr int kSettledTextX = 0, kFirstTextX = 200, kReferenceY = 560, kTextHeight = 10;

uint32_t color_of(uint32_t rgb) {
    return DuRud::MakeColorValue(rgb >> 16, rgb >> 8 & 0xFF, rgb & 0xFF);
}

// Scene 0 hands over to scene 1 as the list loader does. The off-screen
// keeps what was drawn, so the picture is drawn once; each pass clears only
// the frame keeper's corner, which it draws over. (A whole picture a pass
// would cost the sanitized build more than the present does.)
int test_scene() {
    static bool drawn = false;
    if (game_state == 0) {
        game_state = 1;
        return 0;
    }
    if (!drawn) {
        DuRud::DrawBoxShape(0, 0, 800, 600, color_of(kGrey), 1);
        for (const box& b : kBoxes) DuRud::DrawBoxShape(b.x1, b.y1, b.x2, b.y2, color_of(b.rgb), 1);
        const uint32_t white = DuRud::MakeColorValue(255, 255, 255);
        DuRud::DrawFormattedText(kSettledTextX, kReferenceY, white, "fps:%0.1f", 60.0);
        DuRud::DrawFormattedText(kFirstTextX, kReferenceY, white, "fps:%0.1f", 0.0);
        drawn = true;
    }
    DuRud::DrawBoxShape(0, 590, 200, 600, color_of(kGrey), 1);
    return 0;
}

std::FILE* report = nullptr;
int close_at = -1;
std::set<int> captures;

HWND game_window() {
    return static_cast<HWND>(DuRud::GetMainWindowHandle());
}

void save_capture(int pass) {
    std::vector<uint32_t> pixels;
    int size[2] = {0, 0};
    KnobCaptureWindow(game_window(), &pixels, &size[0], &size[1]);
    std::FILE* f = std::fopen(("capture_" + std::to_string(pass)).c_str(), "wb");
    if (!f) return;
    std::fwrite(size, sizeof(int), 2, f);
    std::fwrite(pixels.data(), sizeof(uint32_t), pixels.size(), f);
    std::fclose(f);
}

void on_event(const test_event& e) {
    if (e.kind == test_event_stop) {
        std::fprintf(report, "stop %X %X %X %X %X\n", e.words[0], e.words[1], e.words[2],
                     e.words[3], e.words[4]);
        std::fflush(report);
        KnobWindowEvent(game_window(), KnobWindowEventKind::Close);
        return;
    }
    std::fprintf(report, "pass %d state %d at %u\n", e.pass, e.game_state, timeGetTime());
    std::fflush(report);
    if (captures.count(e.pass)) save_capture(e.pass);
    if (e.pass == close_at) KnobWindowEvent(game_window(), KnobWindowEventKind::Close);
}

TEST(ShellEngineChildProcess, RunsTheGame) {
    const char* folder = std::getenv(kFolderVariable);
    if (!folder) GTEST_SKIP() << "runs only as the shell tests' child process";
    ASSERT_EQ(chdir(folder), 0);
    KnobApplyEnvironment();
    KnobVirtualClockStrict(true);
    KnobVirtualClockStart(0);
    if (const char* at = std::getenv(kCloseVariable)) close_at = std::atoi(at);
    if (const char* list = std::getenv(kCaptureVariable)) {
        std::istringstream in(list);
        for (int pass; in >> pass;) captures.insert(pass);
    }
    report = std::fopen("report.txt", "w");
    ASSERT_NE(report, nullptr);
    for (scene_function& s : scene_table) s = test_scene;
    test_observer = on_event;
    const int result = WinMain(nullptr, nullptr, nullptr, 10);
    test_observer = nullptr;
    std::fprintf(report, "exit %d\n", result);
    std::fclose(report);
}

// --- the parent's side ---------------------------------------------------------

struct run_result {
    int status = -1;     // the child's exit status
    std::string report;  // its report.txt
    fs::path folder;
};

// Runs the child in a fresh folder (holding the settings file when given),
// bounded in real time; extra is prepended to its environment.
run_result run_game(int close_pass, const std::string& captures_list,
                    const std::string& settings = "", const std::string& extra = "") {
    static int runs = 0;
    run_result r;
    r.folder = fs::current_path() / ("run" + std::to_string(++runs));
    fs::create_directories(r.folder);
    if (!settings.empty()) testsupport::WriteFile((r.folder / "setting.qvx").string(), settings);
    const std::string space =
        "realeng-shell-" + std::to_string(getpid()) + "-" + std::to_string(runs);
    const std::string command = "env VESSAMIRE_WINDOW_NAMESPACE=" + space + " " + kFolderVariable +
                                "='" + r.folder.string() + "' " + kCloseVariable + "=" +
                                std::to_string(close_pass) + " " + kCaptureVariable + "='" +
                                captures_list + "' " + extra + " timeout -s KILL 100 '" +
                                testsupport::OwnProgram() + "' --gtest_filter=" + kChildTest +
                                " > '" + (r.folder / "output.txt").string() + "' 2>&1";
    const int s = std::system(command.c_str());
    r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    r.report = testsupport::ReadFile((r.folder / "report.txt").string());
    if (r.status != 0)
        std::printf("child output:\n%s\n",
                    testsupport::ReadFile((r.folder / "output.txt").string()).c_str());
    return r;
}

struct picture {
    int w = 0, h = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * w + x]; }
};

picture read_capture(const fs::path& folder, int pass) {
    const std::string bytes =
        testsupport::ReadFile((folder / ("capture_" + std::to_string(pass))).string());
    picture p;
    if (bytes.size() < 2 * sizeof(int)) return p;
    std::memcpy(&p.w, bytes.data(), sizeof(int));
    std::memcpy(&p.h, bytes.data() + sizeof(int), sizeof(int));
    p.pixels.resize(static_cast<size_t>(p.w) * p.h);
    if (bytes.size() != 2 * sizeof(int) + p.pixels.size() * 4) return picture{};
    std::memcpy(p.pixels.data(), bytes.data() + 2 * sizeof(int), p.pixels.size() * 4);
    return p;
}

// The test scene's picture above the reference texts.
uint32_t scene_pixel(int x, int y) {
    for (const box& b : kBoxes)
        if (x >= b.x1 && x < b.x2 && y >= b.y1 && y < b.y2) return b.rgb;
    return kGrey;
}

// Pixels of a 800 x 600 capture that differ from the test scene with the
// frame keeper's text equal to the reference drawn at reference_x.
int differences(const picture& p, int reference_x) {
    int n = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            if (y >= kReferenceY && y < 590) continue;  // the references themselves
            uint32_t want = scene_pixel(x, y);
            if (y >= 590 && x < 200) want = p.at(reference_x + x, kReferenceY + y - 590);
            n += p.at(x, y) != want;
        }
    }
    return n;
}

// The clock reading of a pass in the report; -1 when absent.
long long pass_time(const std::string& report, int pass) {
    const std::string key = "pass " + std::to_string(pass) + " ";
    const size_t at = report.find(key);
    if (at == std::string::npos) return -1;
    const size_t t = report.find(" at ", at);
    return std::atoll(report.c_str() + t + 4);
}

constexpr const char* kDefaultSettings =
    "0\r\n0.500\r\n1.000\r\n1.000\r\n0\r\n203\r\n205\r\n200\r\n208\r\n44\r\n45\r\n46\r\n28\r\n2\r\n"
    "3\r\n4\r\n1\r\n5\r\n6\r\n0\r\n7\r\n";

// The settings file with the scale line (the fourth) replaced.
std::string settings_at_scale(const char* scale) {
    std::string settings = kDefaultSettings;
    return settings.replace(settings.find("1.000\r\n1.000") + 7, 5, scale);
}

// Paced by the 60 Hz present, not by the keeper's 16 ms. Run at scale 0.4:
// a small window keeps 600 presents affordable in the sanitized build.
TEST(ShellEngine, SixHundredPassesTakeTenSecondsAndACloseEndsWithTheSettingsWritten) {
    const std::string settings = settings_at_scale("0.400");
    const run_result r = run_game(600, "2", settings);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.report.find("\nexit 0\n"), std::string::npos) << r.report.substr(0, 200);
    EXPECT_EQ(r.report.find("pass 601 "), std::string::npos) << "ran on past the close";
    const picture p = read_capture(r.folder, 2);
    EXPECT_EQ(std::pair(p.w, p.h), std::pair(320, 240));

    // Passes 1 to 600 are 599 frames of 1000 / 60 ms: 9983 ms, within a frame.
    const long long took = pass_time(r.report, 600) - pass_time(r.report, 1);
    EXPECT_NEAR(took, 9983, 17);

    const std::string written = testsupport::ReadFile((r.folder / "setting.qvx").string());
    EXPECT_EQ(written, settings) << "21 lines, CR LF";
}

TEST(ShellEngine, TheWindowShowsTheSceneWithTheFrameRateAtTheBottomLeft) {
    // The rate is first 0.0; measured windows close every 800 ms (48 passes).
    const run_result r = run_game(100, "3 100");
    EXPECT_EQ(r.status, 0);
    const picture first = read_capture(r.folder, 3), settled = read_capture(r.folder, 100);
    ASSERT_EQ(std::pair(first.w, first.h), std::pair(800, 600));
    ASSERT_EQ(std::pair(settled.w, settled.h), std::pair(800, 600));
    EXPECT_EQ(differences(first, kFirstTextX), 0) << "pass 2: the scene and \"fps:0.0\"";
    EXPECT_EQ(differences(settled, kSettledTextX), 0) << "pass 99: the scene and \"fps:60.0\"";
    // The reference texts differ, so the text compared is really the one named.
    EXPECT_NE(differences(settled, kFirstTextX), 0);
    EXPECT_EQ(testsupport::ReadFile((r.folder / "setting.qvx").string()), kDefaultSettings);
}

TEST(ShellEngine, AScaleOfOneAndAHalfPresentsTheSceneStretched) {
    const std::string settings = settings_at_scale("1.500");
    const run_result r = run_game(4, "4", settings);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(testsupport::ReadFile((r.folder / "setting.qvx").string()), settings);

    const picture p = read_capture(r.folder, 4);
    ASSERT_EQ(std::pair(p.w, p.h), std::pair(1200, 900));
    // Nearest sampling: each window pixel away from the scene's edges shows
    // the logical pixel under it (x / 1.5, y / 1.5), up to the window's last
    // column: the stretch covers the whole window.
    int compared = 0, differ = 0;
    for (int y = 0; y < 825; ++y) {  // above the texts (logical 550)
        for (int x = 0; x < 1200; ++x) {
            const int lx = x * 2 / 3, ly = y * 2 / 3;
            const uint32_t want = scene_pixel(lx, ly);
            bool edge = false;
            for (int dx : {-2, 0, 2})
                for (int dy : {-2, 0, 2})
                    edge = edge || scene_pixel(std::clamp(lx + dx, 0, 799),
                                               std::clamp(ly + dy, 0, 599)) != want;
            if (edge) continue;
            ++compared;
            differ += p.at(x, y) != want;
        }
    }
    EXPECT_GT(compared, 900000);
    EXPECT_EQ(differ, 0);
}

// Without Direct3D the software renderer draws the game: its off-screen,
// asked for with alpha, is made all the same, and the window shows the scene
// with the frame keeper's text as on the device.
TEST(ShellEngine, WithoutDirect3DTheSoftwareRendererShowsTheScene) {
    const run_result r = run_game(4, "4", "", "VESSAMIRE_HIDE=d3d9.dll");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.report.find("stop "), std::string::npos) << r.report;
    const picture p = read_capture(r.folder, 4);
    ASSERT_EQ(std::pair(p.w, p.h), std::pair(800, 600));
    EXPECT_EQ(differences(p, kFirstTextX), 0) << "pass 3: the scene and \"fps:0.0\"";
    EXPECT_EQ(testsupport::ReadFile((r.folder / "setting.qvx").string()), kDefaultSettings);
}

}  // namespace
