// The process entry, run as a child: WinMain gets the program's instance, the
// arguments as one code page 932 command line and SW_SHOWDEFAULT, and the
// process ends with WinMain's result.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace {

struct ProbeRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readAll(int fd) {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    return s;
}

// Runs the probe with the arguments and extra environment entries.
ProbeRun runProbe(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    ProbeRun run;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);

    std::vector<std::string> argStore{ENTRY_PROBE};
    argStore.insert(argStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argStore) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envStore;
    for (char** e = environ; *e; ++e) envStore.emplace_back(*e);
    envStore.insert(envStore.end(), env.begin(), env.end());
    std::vector<char*> envp;
    for (auto& e : envStore) envp.push_back(e.data());
    envp.push_back(nullptr);

    pid_t pid;
    int rc = posix_spawn(&pid, ENTRY_PROBE, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (rc == 0) {
        run.out = readAll(out[0]);  // the probe writes little: no pipe can fill up
        run.err = readAll(err[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    close(out[0]);
    close(err[0]);
    return run;
}

std::string field(const std::string& out, const std::string& name) {
    size_t at = out.find(name + "=");
    if (at == std::string::npos) return "<missing>";
    at += name.size() + 1;
    return out.substr(at, out.find('\n', at) - at);
}

TEST(ProcessEntry, WinMainGetsInstanceShowDefaultAndNoPreviousInstance) {
    ProbeRun run = runProbe({});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(field(run.out, "instance"), "self");
    EXPECT_EQ(field(run.out, "previous"), "null");
    EXPECT_EQ(field(run.out, "show"), "10");
    EXPECT_EQ(field(run.out, "line"), "");  // the program name is not part of it
    EXPECT_EQ(field(run.out, "dwmapi"), "loaded");
}

TEST(ProcessEntry, ArgumentsArriveAsOneCodePage932Line) {
    // "表示" (UTF-8) arrives as 95 5C 8E A6; "a b" is quoted.
    ProbeRun run = runProbe({"-x", "\xE8\xA1\xA8\xE7\xA4\xBA", "a b"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(field(run.out, "line"),
              "2D78"
              "20"
              "955C8EA6"
              "20"
              "22612062"
              "22");
    // GetCommandLineA holds the program name first, then the same line.
    std::string full = field(run.out, "full");
    std::string tail =
        "20"
        "2D78"
        "20"
        "955C8EA6"
        "20"
        "2261206222";
    ASSERT_GT(full.size(), tail.size());
    EXPECT_EQ(full.substr(full.size() - tail.size()), tail);
}

TEST(ProcessEntry, ExitStatusIsWinMainsResult) {
    EXPECT_EQ(runProbe({"exit=7"}).status, 7);
    EXPECT_EQ(runProbe({"exit=-1"}).status, 255);
}

TEST(ProcessEntry, EnvironmentKnobsApplyBeforeWinMain) {
    ProbeRun run = runProbe({}, {"VESSAMIRE_HIDE=dwmapi.dll", "VESSAMIRE_DEBUG_OUTPUT=1"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(field(run.out, "dwmapi"), "absent");
    EXPECT_NE(run.err.find("\xE8\xA1\xA8\n"), std::string::npos) << run.err;
}

}  // namespace
