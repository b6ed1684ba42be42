// The whole game on the demo data as a player runs it: start-up time, the
// CPU cost of each main-loop pass per scene, peak resident memory and the
// engine's tracked memory across stage changes, each beside its aim.
//
// Every game runs in a child copy of this program (one game per process, in
// a folder of its own with a copy of the demo archive, headless). Start-up
// runs on the real clock; the frame figures run on the strict virtual clock,
// where the game never waits, so a pass's CPU time is its whole cost. The
// child plays a fixed route through the observer hook and the platform's
// input road: the title for a while, Enter, stage play with the player
// running right and jumping, W to the result screen, a key there back to the
// first stage, and again, until ten stage changes have passed. That route
// never meets the boss: a second child plays the boss replay's route on a
// copy of the plain demo tree whose first stage is the boss arena, and gives
// the cost of the passes while the boss is in the arena.
//
//   game_figures [--runs N]      every figure, on the device and on the
//                                software renderer (start-up: median of N)
//   game_figures --device        the per-pass figures on the device only
//   game_figures --startup [--runs N]  the start-up figures only
//
// With GAME_FIGURES_PERF_CONTROL naming a perf control fifo, each child turns
// the profiler on while it plays a stage (the boss child: while the boss is
// in the arena) and off elsewhere:
//   mkfifo ctl && perf record -D -1 --control fifo:ctl -- game_figures --device
// With GAME_FIGURES_CALLGRIND set, it turns callgrind's collection on and off
// at the same passes (instruction counts of those scenes alone):
//   GAME_FIGURES_CALLGRIND=1 GAME_FIGURES_CHILD_SECONDS=3600 valgrind
//       --tool=callgrind --trace-children=yes --collect-atstart=no
//       --callgrind-out-file=/tmp/cg.%p game_figures --device
#include <malloc.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define GAME_FIGURES_TOGGLE_CALLGRIND() CALLGRIND_TOGGLE_COLLECT
#else
#define GAME_FIGURES_TOGGLE_CALLGRIND() ((void)0)
#endif

#include "core/tracked_memory.h"
#include "demo_tree_edits.h"
#include "shell/win_main.h"
#include "test_knobs.h"
#include "window/main_window.h"
#include "world/boss_defeat.h"
#include "world/boss_fight.h"
#include "world/boss_intro.h"
#include "world/pools.h"
#include "world/test_observer.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Game states the figures name.
constexpr int kSplash = 1, kTitle = 2, kPlay = 4, kStageChange = 5, kResult = 8;
// The figures' own scene for play while the boss is in the arena.
constexpr int kBoss = 100;

// DirectInput codes.
constexpr int kEnter = 0x1C, kRight = 0xCD, kJump = 0x2C, kW = 0x11;

constexpr int kStageChangesWanted = 10;

int64_t MonotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Minor page faults of the main thread so far.
long ThreadFaults() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_minflt;
}

int64_t ProcessCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

int64_t ThreadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The resident set now (VmRSS), in KB.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

// ---- child: one game ----------------------------------------------------------------

std::FILE* g_out = nullptr;
int64_t g_lastCpu = 0, g_lastProcessCpu = 0;
long g_lastFaults = 0;
int g_lastScene = -1, g_lastFrame = 0;  // of the pass about to run
int g_stageChanges = 0;
int g_pressAt = -1;  // pass at which the pending key is released
int g_pressKey = 0;
bool g_closed = false;
bool g_startupOnly = false;
std::FILE* g_perfControl = nullptr;  // a perf control fifo, or null
bool g_callgrindToggles = false;     // callgrind's collection follows the profiled scene
std::FILE* g_perfAck = nullptr;      // its acknowledgement fifo, or null
bool g_perfOn = false;
int g_perfFrames[2] = {0, 1 << 30};  // the frames in the scene it profiles
int g_profiledScene = kPlay;         // the scene it profiles
int64_t g_splashFirst = 0, g_splashLast = 0;
int64_t g_mainAt = 0;  // when main() began, after the dynamic loader
int g_gridPasses = 0;

HWND Window() {
    return static_cast<HWND>(DuRud::GetMainWindowHandle());
}

void Key(int code, bool down) {
    KnobWindowKeyCode(Window(), code, down);
}

// A key held for two passes.
void Press(int code, int pass) {
    Key(code, true);
    g_pressKey = code;
    g_pressAt = pass + 2;
}

void Close() {
    if (!g_closed) KnobWindowEvent(Window(), KnobWindowEventKind::Close);
    g_closed = true;
}

// Where the main thread's time went before the title: up to the first
// loading-grid pass (the lists read and their loads queued), the grid's
// passes, and the rest.
void OnStartupEvent(const test_event& e) {
    if (e.kind == test_event_grid) {
        if (++g_gridPasses == 1)
            std::fprintf(g_out, "grid_first %lld %lld %lld %lld\n",
                         static_cast<long long>(MonotonicNs()),
                         static_cast<long long>(ThreadCpuNs()), static_cast<long long>(g_mainAt),
                         static_cast<long long>(ProcessCpuNs()));
        return;
    }
    if (e.kind == test_event_grid_done) {
        std::fprintf(g_out, "grid_done %lld %d %lld %lld\n", static_cast<long long>(ThreadCpuNs()),
                     g_gridPasses, static_cast<long long>(MonotonicNs()),
                     static_cast<long long>(ProcessCpuNs()));
        return;
    }
    if (e.kind != test_event_pass) return;
    const int64_t now = MonotonicNs();
    if (e.game_state == kSplash) {
        if (!g_splashFirst) {
            g_splashFirst = now;
            std::fprintf(g_out, "loaded_rss_kb %ld\n", ResidentKb());
            const struct mallinfo2 heap = mallinfo2();
            // Blocks of 2 MB and more are the heap's own huge-page mappings.
            std::fprintf(g_out, "heap_kb mapped %zu arenas %zu in_use %zu free %zu\n",
                         (heap.hblkhd + KnobLargeBlockBytes()) / 1024, heap.arena / 1024,
                         heap.uordblks / 1024, heap.fordblks / 1024);
        }
        g_splashLast = now;
    }
    if (e.game_state == kTitle) {
        std::fprintf(g_out, "title %lld %lld %lld\n", static_cast<long long>(now),
                     static_cast<long long>(g_splashFirst), static_cast<long long>(g_splashLast));
        std::fprintf(g_out, "title_cpu %lld %lld\n", static_cast<long long>(ThreadCpuNs()),
                     static_cast<long long>(ProcessCpuNs()));
        Close();
    }
}

// The stage route: the title for a while, then stages played and left
// through the result screen until ten stage changes have passed.
void StagesRoute(const test_event& e) {
    const int f = e.frames_in_scene;
    switch (e.game_state) {
        case kTitle:
            if (f == 300) Press(kEnter, e.pass);
            break;
        case kStageChange:
            if (f == 0) ++g_stageChanges;
            break;
        case kPlay: {
            if (f == 1) {
                std::fprintf(g_out, "memory %d %d %d\n", g_stageChanges, DuRud::MemGetTotalSize(),
                             DuRud::MemGetCount());
                Key(kRight, true);
            }
            if (f % 40 == 20) Press(kJump, e.pass);
            const int playFor = g_stageChanges <= 1 ? 900 : 90;
            if (f == playFor) {
                Key(kRight, false);
                if (g_stageChanges > kStageChangesWanted)
                    Close();
                else
                    Press(kW, e.pass);
            }
            break;
        }
        case kResult:
            if (f == 260) Press(kEnter, e.pass);
            break;
        default:
            break;
    }
}

// ---- the boss run

// The boss is in the arena from the pass in which an enemy first runs its
// entrance, through the fight, to the pass in which the beaten boss, having
// tumbled about the arena, falls out below and its slot is freed: the three
// move patterns only the boss runs.
bool BossInArena() {
    for (const enemy& e : enemies)
        if ((e.flags & flag_in_use) &&
            (e.move_pattern == move_pattern_bossintro_dolvek ||
             e.move_pattern == move_pattern_bossdolvek || e.move_pattern == boss_defeat_pattern))
            return true;
    return false;
}

bool g_bossWasIn = false, g_bossFallen = false;

// The scene of the pass an event starts, for the figures: play that begins
// with the boss in the arena is the boss's (so the pass in which it falls out
// is too).
int SceneOf(const test_event& e) {
    const bool in = e.game_state == kPlay && BossInArena();
    if (g_bossWasIn && !in) {
        std::fprintf(g_out, "boss_fallen %d\n", e.pass);
        g_bossFallen = true;
    }
    g_bossWasIn = in;
    return in ? kBoss : e.game_state;
}

// The scene that ran in the pass an event reports and its frame in scene:
// the event gives the counters as the next pass starts them, so it is the
// previous event's (the boss replay's steps count frames so).
struct SceneRun {
    int state = 0, frame = 0;
};
SceneRun g_nextRun, g_ran;

// The boss replay's route on the boss arena as the first stage: Enter on the
// splash; in the arena, once the stomp's stun has worn off, right to the item
// that knocks the boss away and a jump over the shots still on their way;
// closed once the boss has fallen out.
void BossRoute(const test_event& e) {
    // As in the replay, later frames fall on the same instants in every run.
    if (e.pass == 1) KnobVirtualClockMoveTo(600000);
    if (g_ran.state == kSplash && g_ran.frame == 10) Press(kEnter, e.pass);
    if (g_ran.state == kPlay) {
        if (g_ran.frame == 601 || g_ran.frame == 630) Key(kRight, g_ran.frame == 601);
        if (g_ran.frame == 648 || g_ran.frame == 665) Key(kJump, g_ran.frame == 648);
    }
    if (g_bossFallen) Close();
}

void (*g_route)(const test_event&) = StagesRoute;

void OnFrameEvent(const test_event& e) {
    if (e.kind == test_event_stop) {
        std::fprintf(g_out, "stop %X\n", e.words[0]);
        Close();
        return;
    }
    const int64_t cpu = ThreadCpuNs(), processCpu = ProcessCpuNs();
    const long faults = ThreadFaults();
    const int scene = SceneOf(e);
    // The interval since the last event: the rest of that pass (its present)
    // and this pass's update and drawing. It counts for the scene that has
    // just run, which the last event named: this event's state and frame are
    // those the next pass starts with (a stage change's last pass ends in
    // play, but its loading and drawing are the stage change's).
    if (g_lastScene >= 0)
        std::fprintf(g_out, "pass %d %d %lld %d %ld %lld\n", g_lastScene, g_lastFrame,
                     static_cast<long long>(cpu - g_lastCpu), e.pass, faults - g_lastFaults,
                     static_cast<long long>(processCpu - g_lastProcessCpu - (cpu - g_lastCpu)));
    const bool on = scene == g_profiledScene && e.frames_in_scene >= g_perfFrames[0] &&
                    e.frames_in_scene <= g_perfFrames[1];
    if (on != g_perfOn) {
        g_perfOn = on;
        if (g_callgrindToggles) GAME_FIGURES_TOGGLE_CALLGRIND();
        if (g_perfControl) {
            std::fputs(on ? "enable\n" : "disable\n", g_perfControl);
            std::fflush(g_perfControl);
            // With an acknowledgement fifo, the profiler has switched before the pass goes on.
            if (g_perfAck) {
                char ack[8] = {};
                std::fgets(ack, sizeof ack, g_perfAck);
            }
        }
    }
    g_lastScene = scene;
    g_lastFrame = e.frames_in_scene;
    g_ran = g_nextRun;
    g_nextRun = {e.game_state, e.frames_in_scene};
    if (g_pressAt == e.pass) {
        Key(g_pressKey, false);
        g_pressAt = -1;
    }
    g_route(e);
    // Any route gone astray still ends.
    if (e.pass > 20000) Close();
    g_lastCpu = ThreadCpuNs();
    g_lastProcessCpu = ProcessCpuNs();
    g_lastFaults = ThreadFaults();
}

// The first presented frame, watched from beside the game on the real clock.
std::atomic<int64_t> g_firstPresent{0};
std::atomic<bool> g_watching{true};

void WatchFirstPresent() {
    while (g_watching) {
        const HWND w = Window();
        if (w && KnobWindowPresentCount(w) > 0) {
            g_firstPresent = MonotonicNs();
            return;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

int RunChild(const std::string& mode) {
    g_mainAt = MonotonicNs();
    g_out = std::fopen("figures.txt", "w");
    if (!g_out) return 2;
    g_startupOnly = mode == "startup";
    KnobApplyEnvironment();
    std::thread watcher;
    if (g_startupOnly) {
        watcher = std::thread(WatchFirstPresent);
        test_observer = OnStartupEvent;
    } else {
        if (const char* control = std::getenv("GAME_FIGURES_PERF_CONTROL"))
            g_perfControl = std::fopen(control, "w");
        if (const char* ack = std::getenv("GAME_FIGURES_PERF_ACK"))
            g_perfAck = g_perfControl ? std::fopen(ack, "r") : nullptr;
        // "a-b", or "scene:a-b" for another scene than play (5 the stage change).
        if (const char* frames = std::getenv("GAME_FIGURES_PERF_FRAMES")) {
            if (std::strchr(frames, ':'))
                std::sscanf(frames, "%d:%d-%d", &g_profiledScene, &g_perfFrames[0],
                            &g_perfFrames[1]);
            else
                std::sscanf(frames, "%d-%d", &g_perfFrames[0], &g_perfFrames[1]);
        }
        g_callgrindToggles = std::getenv("GAME_FIGURES_CALLGRIND") != nullptr;
        KnobVirtualClockStrict(true);
        KnobVirtualClockStart(0);
        if (mode == "boss") {
            g_route = BossRoute;
            g_profiledScene = kBoss;
        }
        g_lastCpu = ThreadCpuNs();
        g_lastProcessCpu = ProcessCpuNs();
        g_lastFaults = ThreadFaults();
        test_observer = OnFrameEvent;
    }
    const int result = WinMain(nullptr, nullptr, nullptr, 10);
    g_watching = false;
    if (watcher.joinable()) watcher.join();
    if (g_startupOnly)
        std::fprintf(g_out, "present %lld\n", static_cast<long long>(g_firstPresent));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(g_out, "peak_rss_kb %ld\n", usage.ru_maxrss);
    std::fprintf(g_out, "exit %d\n", result);
    std::fclose(g_out);
    if (g_perfControl) std::fclose(g_perfControl);
    if (g_perfAck) std::fclose(g_perfAck);
    return result;
}

// ---- parent: runs and figures -------------------------------------------------------

struct ChildRun {
    bool ok = false;
    int exitStatus = -1;
    int64_t spawnedAt = 0;
    std::vector<std::string> lines;
};

// The game's data in the child's folder: the demo archive, or for the boss
// run a copy of the plain demo tree with the boss arena as its first stage.
bool PlaceData(const std::string& mode, const fs::path& dir) {
    std::error_code ec;
    if (mode != "boss") {
        fs::copy_file(DEMO_ARCHIVE, dir / "datas.ZAV", ec);
        if (ec) std::fprintf(stderr, "game_figures: no demo archive at %s\n", DEMO_ARCHIVE);
        return !ec;
    }
    fs::copy(DEMO_TREE, dir / "datas", fs::copy_options::recursive, ec);
    if (ec) {
        std::fprintf(stderr, "game_figures: no demo tree at %s\n", DEMO_TREE);
        return false;
    }
    try {
        replay::boss_first_stage(dir / "datas");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "game_figures: %s\n", e.what());
        return false;
    }
    return true;
}

// Runs one child game in a fresh folder, bounded in time.
ChildRun Spawn(const std::string& mode, bool software, int index) {
    ChildRun run;
    const fs::path dir = fs::temp_directory_path() /
                         ("game-figures-" + std::to_string(getpid()) + "-" + std::to_string(index));
    fs::remove_all(dir);
    fs::create_directories(dir);
    if (!PlaceData(mode, dir)) return run;
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string s = *e;
        if (s.rfind("VESSAMIRE_", 0) != 0 && s.rfind("SDL_", 0) != 0) env.push_back(s);
    }
    env.push_back("SDL_VIDEODRIVER=dummy");
    env.push_back("SDL_AUDIODRIVER=dummy");
    env.push_back("VESSAMIRE_WINDOW_NAMESPACE=game-figures-" + std::to_string(getpid()) + "-" +
                  std::to_string(index));
    if (software) env.push_back("VESSAMIRE_HIDE=d3d9.dll");
    std::vector<char*> envp;
    for (std::string& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string self = fs::read_symlink("/proc/self/exe").string(), flag = "--child";
    std::string modeArg = mode;
    char* argv[] = {self.data(), flag.data(), modeArg.data(), nullptr};

    const fs::path previous = fs::current_path();
    fs::current_path(dir);
    pid_t pid = 0;
    run.spawnedAt = MonotonicNs();
    const int spawned = posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, envp.data());
    fs::current_path(previous);
    if (spawned != 0) return run;
    // Bounded: a game that has not ended in ten minutes (or the seconds
    // GAME_FIGURES_CHILD_SECONDS gives, for runs under valgrind) is stopped.
    int status = 0;
    const char* limitText = std::getenv("GAME_FIGURES_CHILD_SECONDS");
    const int limit = limitText && std::atoi(limitText) > 0 ? std::atoi(limitText) : 600;
    for (int waited = 0;; ++waited) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (waited > limit * 100) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            std::fprintf(stderr, "game_figures: a %s run did not end in %d s\n", mode.c_str(),
                         limit);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream in(dir / "figures.txt");
    for (std::string line; std::getline(in, line);) run.lines.push_back(line);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.ok = run.exitStatus == 0;
    fs::remove_all(dir);
    return run;
}

double Percentile(std::vector<int64_t> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const size_t k = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return double(v[k]) / 1e6;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

const char* Aim(bool met) {
    return met ? "aim met" : "aim not met";
}

int g_missed = 0;

void Figure(const char* what, double value, const char* unit, const char* aim, bool met) {
    std::printf("  %-44s %10.2f %-3s  %-18s %s\n", what, value, unit, aim, Aim(met));
    g_missed += !met;
}

void StartupFigures(int runs) {
    std::printf("Start-up (real clock, median of %d after one warming run)\n", runs);
    std::vector<double> present, title, lists, loaded, mapped, arenas, arenaFree;
    std::vector<double> toMain, toGrid, cpuToGrid, gridCpu, gridPasses, cpuToTitle;
    std::vector<double> gridWall, gridProcessCpu, processCpuToTitle;
    for (int k = 0; k <= runs; ++k) {
        const ChildRun r = Spawn("startup", false, 1000 + k);
        if (k == 0) continue;  // warms the file cache
        long long t = 0, first = 0, last = 0, p = 0, kb = 0;
        for (const std::string& line : r.lines) {
            long long at = 0, cpu = 0, mainAt = 0, passes = 0, all = 0;
            if (std::sscanf(line.c_str(), "grid_first %lld %lld %lld %lld", &at, &cpu, &mainAt,
                            &all) == 4) {
                toMain.push_back(double(mainAt - r.spawnedAt) / 1e9);
                toGrid.push_back(double(at - r.spawnedAt) / 1e9);
                cpuToGrid.push_back(double(cpu) / 1e9);
                gridWall.push_back(-double(at) / 1e9);
                gridProcessCpu.push_back(-double(all) / 1e9);
            }
            if (std::sscanf(line.c_str(), "grid_done %lld %lld %lld %lld", &cpu, &passes, &at,
                            &all) == 4 &&
                !gridWall.empty()) {
                gridCpu.push_back(double(cpu) / 1e9 - cpuToGrid.back());
                gridPasses.push_back(double(passes));
                gridWall.back() += double(at) / 1e9;
                gridProcessCpu.back() += double(all) / 1e9;
            }
            if (std::sscanf(line.c_str(), "title_cpu %lld %lld", &cpu, &all) == 2) {
                cpuToTitle.push_back(double(cpu) / 1e9);
                processCpuToTitle.push_back(double(all) / 1e9);
            }
            std::sscanf(line.c_str(), "title %lld %lld %lld", &t, &first, &last);
            std::sscanf(line.c_str(), "present %lld", &p);
            std::sscanf(line.c_str(), "loaded_rss_kb %lld", &kb);
            long long m = 0, a = 0, used = 0, free = 0;
            if (std::sscanf(line.c_str(), "heap_kb mapped %lld arenas %lld in_use %lld free %lld",
                            &m, &a, &used, &free) == 4) {
                mapped.push_back(double(m) / 1024.0);
                arenas.push_back(double(a) / 1024.0);
                arenaFree.push_back(double(free) / 1024.0);
            }
        }
        if (kb) loaded.push_back(double(kb) / 1024.0);
        if (!p || !t) continue;
        present.push_back(double(p - r.spawnedAt) / 1e9);
        lists.push_back(double(first - r.spawnedAt) / 1e9);
        // The splash's own frames (its fixed length at 60 a second) left out.
        title.push_back(double(t - r.spawnedAt - (last - first)) / 1e9);
    }
    const double p = Median(present), t = Median(title);
    Figure("first presented frame", p, "s", "<= 0.5 s", !present.empty() && p <= 0.5);
    Figure("first title frame (splash excluded)", t, "s", "<= 1.5 s", !title.empty() && t <= 1.5);
    std::printf("    of which the lists and their files loaded (first splash frame): %.2f s\n",
                Median(lists));
    std::printf("    resident set once they are loaded (first splash frame): %.1f MB\n",
                Median(loaded));
    std::printf(
        "    C heap then: large blocks mapped %.1f MB (touched or not), arenas %.1f MB "
        "(%.1f MB of it free)\n",
        Median(mapped), Median(arenas), Median(arenaFree));
    std::printf(
        "    main thread before the loads start (first grid pass): %.3f s of CPU, %.3f s "
        "after spawn (%.3f s to main)\n",
        Median(cpuToGrid), Median(toGrid), Median(toMain));
    std::printf(
        "    loading grid: %.0f passes in %.3f s, %.3f s of main-thread CPU, %.3f s of "
        "all threads' CPU; main thread to the title %.3f s of CPU\n",
        Median(gridPasses), Median(gridWall), Median(gridCpu), Median(gridProcessCpu),
        Median(cpuToTitle));
    std::printf("    all threads' CPU from process start to the title: %.3f s\n",
                Median(processCpuToTitle));
}

struct SceneCosts {
    int exitStatus = -1;
    std::map<int, std::vector<int64_t>> byState;
    std::vector<std::pair<int, std::pair<int, int>>> memory;  // changes, total, count
    struct Pass {
        int64_t ns;
        int pass, frame;
        long faults;
        bool operator<(const Pass& o) const { return ns < o.ns; }
    };
    std::map<int, std::vector<Pass>> passes;
    std::map<int, int64_t> others;  // the other threads' CPU in the scene's passes
    long peakKb = 0;
    bool ok = false;
    int bossFallenAt = 0;  // the pass in which the boss fell out, or 0
};

// The stage route ("frames") or the boss run ("boss"), on the device or on
// the software renderer.
SceneCosts FrameRun(const std::string& mode, bool software) {
    SceneCosts c;
    const ChildRun r = Spawn(mode, software, (mode == "boss" ? 3 : 1) + software);
    c.ok = r.ok;
    c.exitStatus = r.exitStatus;
    for (const std::string& line : r.lines) {
        int state = 0, frame = 0, changes = 0, total = 0, count = 0, pass = 0;
        long faults = 0;
        long long ns = 0, others = 0;
        long kb = 0;
        if (std::sscanf(line.c_str(), "pass %d %d %lld %d %ld %lld", &state, &frame, &ns, &pass,
                        &faults, &others) >= 3) {
            c.byState[state].push_back(ns);
            c.others[state] += others;
            c.passes[state].push_back({ns, pass, frame, faults});
        } else if (std::sscanf(line.c_str(), "memory %d %d %d", &changes, &total, &count) == 3)
            c.memory.push_back({changes, {total, count}});
        else if (std::sscanf(line.c_str(), "peak_rss_kb %ld", &kb) == 1)
            c.peakKb = kb;
        else if (std::sscanf(line.c_str(), "boss_fallen %d", &frame) == 1)
            c.bossFallenAt = frame;
        else if (line.rfind("stop", 0) == 0)
            std::fprintf(stderr, "game_figures: the game showed a STOP screen: %s\n", line.c_str());
    }
    return c;
}

void SceneRow(const char* name, const std::vector<int64_t>& v) {
    std::printf("  %-16s %7zu %9.3f %9.3f %9.3f\n", name, v.size(), Percentile(v, 0.5),
                Percentile(v, 0.99), Percentile(v, 1.0));
}

// With GAME_FIGURES_SLOWEST=N, a scene's N slowest passes (pass number, frame
// in scene, page faults), to tell a few heavy scenes from a periodic cost.
void SlowestPasses(const SceneCosts& c, int state) {
    const char* wanted = std::getenv("GAME_FIGURES_SLOWEST");
    auto it = c.passes.find(state);
    if (!wanted || it == c.passes.end()) return;
    auto others = c.others.find(state);
    if (others != c.others.end())
        std::printf("    other threads' CPU (same core): %.3f ms a pass\n",
                    double(others->second) / 1e6 / double(it->second.size()));
    auto v = it->second;
    std::sort(v.rbegin(), v.rend());
    v.resize(std::min<size_t>(v.size(), size_t(std::max(0, std::atoi(wanted)))));
    long faults = 0;
    for (const auto& p : it->second) faults += p.faults;
    std::printf("    page faults: %.1f a pass\n", double(faults) / double(it->second.size()));
    for (const auto& p : v)
        std::printf("    pass %6d  frame %5d  %8.3f ms  %6ld page faults\n", p.pass, p.frame,
                    double(p.ns) / 1e6, p.faults);
}

// With GAME_FIGURES_FIRST=N, the median of each of a scene's first N frames
// over all its visits, to tell what the first passes of a scene cost.
void FirstFrames(const SceneCosts& c, int state) {
    const char* wanted = std::getenv("GAME_FIGURES_FIRST");
    auto it = c.passes.find(state);
    if (!wanted || it == c.passes.end()) return;
    const int n = std::max(0, std::atoi(wanted));
    std::vector<std::vector<double>> byFrame(static_cast<size_t>(n));
    for (const auto& p : it->second)
        if (p.frame >= 0 && p.frame < n) byFrame[size_t(p.frame)].push_back(double(p.ns) / 1e6);
    std::printf("    first frames (median ms, visits):");
    for (int f = 0; f < n; ++f)
        if (!byFrame[size_t(f)].empty())
            std::printf("%s %d: %.2f (%zu)", f % 8 ? "" : "\n     ", f, Median(byFrame[size_t(f)]),
                        byFrame[size_t(f)].size());
    std::printf("\n");
}

// The boss row, from the boss run.
void BossRow(const SceneCosts& b) {
    auto it = b.byState.find(kBoss);
    if (it == b.byState.end()) {
        std::printf("  %-16s not reached: the boss run ended with status %d\n", "boss",
                    b.exitStatus);
        return;
    }
    SceneRow("boss", it->second);
    SlowestPasses(b, kBoss);
    FirstFrames(b, kBoss);
    if (!b.bossFallenAt) std::printf("  %-16s the boss did not fall: the route went astray\n", "");
}

// Counted only for a fight played to the boss's fall.
void BossAim(const SceneCosts& b) {
    auto it = b.byState.find(kBoss);
    const bool played = it != b.byState.end() && b.bossFallenAt;
    const double p99 = played ? Percentile(it->second, 0.99) : 1e9;
    Figure("99th percentile pass, boss, device", p99, "ms", "< 4 ms", played && p99 < 4.0);
}

void FrameFigures(const SceneCosts& c, const SceneCosts& boss, const char* road, bool aims) {
    std::printf("Cost per main-loop pass on the %s (strict virtual clock, ms)\n", road);
    if (!c.ok)
        std::printf("  the game ended with status %d%s\n", c.exitStatus,
                    c.byState.empty() ? " before its first pass" : "");
    std::printf("  %-16s %7s %9s %9s %9s\n", "scene", "passes", "median", "99th", "worst");
    const struct {
        int state;
        const char* name;
    } scenes[] = {{kTitle, "title"},
                  {kPlay, "stage play"},
                  {kStageChange, "stage change"},
                  {kResult, "result"}};
    for (const auto& s : scenes) {
        auto it = c.byState.find(s.state);
        if (it == c.byState.end()) {
            std::printf("  %-16s not reached\n", s.name);
            continue;
        }
        SceneRow(s.name, it->second);
        SlowestPasses(c, s.state);
        FirstFrames(c, s.state);
    }
    BossRow(boss);
    if (!aims) return;
    auto it = c.byState.find(kPlay);
    const double p99 = it == c.byState.end() ? 1e9 : Percentile(it->second, 0.99);
    Figure("99th percentile pass, stage play, device", p99, "ms", "< 4 ms", p99 < 4.0);
    BossAim(boss);
}

void MemoryFigures(const SceneCosts& c) {
    std::printf("Memory (device run)\n");
    const double mb = double(c.peakKb) / 1024.0;
    Figure("peak resident set", mb, "MB", "< 200 MB", c.peakKb > 0 && mb < 200.0);
    // Tracked totals on entering play after each stage change; the first
    // entry after the new game is the base.
    int changes = 0;
    long base = -1, last = 0, most = 0;
    for (const auto& m : c.memory) {
        changes = std::max(changes, m.first);
        if (base < 0) base = m.second.first;
        last = m.second.first;
        most = std::max<long>(most, m.second.first);
        std::printf("    after stage change %2d: %9d bytes in %6d tracked blocks\n", m.first,
                    m.second.first, m.second.second);
    }
    Figure("tracked memory growth across stage changes", double(most - base) / 1024.0, "KB",
           "no growth", base >= 0 && changes >= kStageChangesWanted && most <= base);
    (void)last;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0) return RunChild(argv[2]);
    int runs = 5;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
    if (argc >= 2 && std::strcmp(argv[1], "--startup") == 0) {
        StartupFigures(runs);
        std::printf("%d aim(s) not met\n", g_missed);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--device") == 0) {
        FrameFigures(FrameRun("frames", false), FrameRun("boss", false), "Direct3D device", true);
        std::printf("%d aim(s) not met\n", g_missed);
        return 0;
    }
    StartupFigures(runs);
    const SceneCosts device = FrameRun("frames", false);
    FrameFigures(device, FrameRun("boss", false), "Direct3D device", true);
    const SceneCosts software = FrameRun("frames", true);
    FrameFigures(software, FrameRun("boss", true), "software renderer", false);
    MemoryFigures(device);
    std::printf("%d aim(s) not met\n", g_missed);
    return 0;
}
