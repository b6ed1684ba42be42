// The whole game run as a child on the demo data: exit status, STOP reports,
// the settings file it leaves or not, and its pictures against the stored
// ones where there are stored ones (scripts keep them; tests never write them).
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// One folder for this program's runs, under the temporary folder.
const fs::path& runs_folder() {
    static const fs::path folder = [] {
        std::string pattern = (fs::temp_directory_path() / "replay-XXXXXX").string();
        return fs::path(mkdtemp(pattern.data()));
    }();
    return folder;
}

struct run_result {
    int status = -1;
    std::string log;  // replay.log
    fs::path dir;
};

// Runs the scenario in a fresh folder (with the demo archive unless told
// not), bounded in time; extra is prepended to the environment.
run_result run(const char* scenario, bool with_data, const std::string& extra = "") {
    static int runs = 0;
    run_result r;
    r.dir = runs_folder() / (scenario + std::to_string(++runs));
    fs::create_directories(r.dir);
    if (with_data)
        fs::copy_file(DEMO_ARCHIVE, r.dir / "datas.ZAV", fs::copy_options::overwrite_existing);
    // A window namespace of its own: another copy of the game running on this
    // machine must not count as this one already running.
    const std::string space = "VESSAMIRE_WINDOW_NAMESPACE=replay-" + std::to_string(getpid()) +
                              "-" + std::to_string(runs) + " ";
    const std::string command =
        "cd '" + r.dir.string() + "' && env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy " + space +
        extra + " timeout -s KILL 600 '" REPLAY_RUNNER "' " + scenario + " > output.txt 2>&1";
    const int s = std::system(command.c_str());
    r.status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    r.log = read_file(r.dir / "replay.log");
    return r;
}

// The pixels of a PNG as RGBA, empty when it cannot be read.
std::vector<uint8_t> pixels_of(const fs::path& file, int* w, int* h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> out(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr)) return {};
    *w = static_cast<int>(image.width);
    *h = static_cast<int>(image.height);
    return out;
}

// Each picture the run took equals its stored one exactly, where one is stored.
void expect_stored_pictures(const run_result& r, const char* scenario) {
    const fs::path expected = fs::path(EXPECTED_DIR) / scenario;
    if (!fs::exists(expected)) return;
    for (const auto& entry : fs::directory_iterator(expected)) {
        int w = 0, h = 0, aw = 0, ah = 0;
        const auto want = pixels_of(entry.path(), &w, &h);
        const auto got = pixels_of(r.dir / entry.path().filename(), &aw, &ah);
        ASSERT_FALSE(got.empty()) << entry.path().filename() << " was not taken";
        ASSERT_EQ(std::pair(aw, ah), std::pair(w, h)) << entry.path().filename();
        size_t differing = 0;
        int largest = 0;
        for (size_t k = 0; k < want.size(); ++k) {
            const int d = std::abs(int(want[k]) - int(got[k]));
            differing += d != 0;
            largest = std::max(largest, d);
        }
        EXPECT_EQ(differing, 0u) << entry.path().filename() << ": largest difference " << largest;
    }
}

bool settings_written(const run_result& r) {
    const std::string s = read_file(r.dir / "setting.qvx");
    int lines = 0;
    for (size_t k = 0; k < s.size(); ++k) lines += s[k] == '\n' && k > 0 && s[k - 1] == '\r';
    return lines == 21;
}

TEST(Replay, EndsWithoutAWindowOrWithoutData) {
    const run_result no_window = run("stop", true, "VESSAMIRE_REFUSE_CREATE_WINDOW=1");
    EXPECT_EQ(no_window.status, 255);
    EXPECT_FALSE(fs::exists(no_window.dir / "setting.qvx"));

    const run_result no_data = run("stop", false);
    EXPECT_EQ(no_data.status, 1);
    EXPECT_NE(no_data.log.find("stop 1 (E0000001, 0, 0, 0)"), std::string::npos) << no_data.log;
    EXPECT_FALSE(fs::exists(no_data.dir / "setting.qvx"));
}

TEST(Replay, TheTitleShowsOverItsDemoStage) {
    const run_result r = run("title_idle", true);
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_TRUE(settings_written(r));
    for (const char* name : {"title_0", "title_150", "title_400"})
        EXPECT_NE(r.log.find(std::string("capture ") + name + " ok 800x600"), std::string::npos)
            << r.log;
    expect_stored_pictures(r, "title_idle");
}

TEST(Replay, EnterOnTheSplashStartsANewGame) {
    const run_result r = run("new_game", true);
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_NE(r.log.find("state 5"), std::string::npos) << r.log;
    EXPECT_NE(r.log.find("capture intro_60 ok"), std::string::npos) << r.log;
    expect_stored_pictures(r, "new_game");
}

}  // namespace
