// LoadLibraryA / GetProcAddress / FreeLibrary / GetModuleHandleA over the
// stand-in module registry, and the knobs that hide modules and exports.
#include <gtest/gtest.h>

#include <cstdlib>

#include "win32/module_registry.h"
#include "test_knobs.h"
#include "windows.h"
#include "support/error_checks.h"

namespace {

template <class F>
F procAs(FARPROC p) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(p));
}

// A module only these tests know, so load counts are not shared with others.
int answer() {
    return 42;
}
void registerTestModule() {
    platform::RegisterModule("modtest_answers.dll", {{"Answer", platform::ExportOf(&answer)}});
}

TEST(ModuleNames, SpellingsNameOneModule) {
    HMODULE a = LoadLibraryA("WINMM.DLL");
    HMODULE b = LoadLibraryA("winmm");
    HMODULE c = LoadLibraryA("winmm.dll");
    HMODULE d = LoadLibraryA("C:\\Windows\\System32\\WinMM.dll");
    HMODULE e = LoadLibraryA("/usr/lib/winmm.DLL");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
    EXPECT_EQ(a, d);
    EXPECT_EQ(a, e);
    EXPECT_EQ(KnobModuleLoadCount("Winmm"), 5);
    for (HMODULE h : {a, b, c, d, e}) EXPECT_TRUE(FreeLibrary(h));
    EXPECT_EQ(KnobModuleLoadCount("winmm.dll"), 0);
}

TEST(ModuleNames, CanonicalFormKeepsOtherExtensionsAndDoubleByteNames) {
    EXPECT_EQ(platform::CanonicalModuleName("A\\B/C:\\Ole32.DLL"), "ole32");
    EXPECT_EQ(platform::CanonicalModuleName("game.EXE"), "game.exe");
    EXPECT_EQ(platform::CanonicalModuleName(".dll"), ".dll");
    // 0x95 0x5C is one code page 932 character, not a directory separator.
    EXPECT_EQ(platform::CanonicalModuleName("\x95\x5C"
                                            "a.dll"),
              "\x95\x5C"
              "a");
}

TEST(ModuleLoading, UnknownOrEmptyNameFails) {
    EXPECT_ERROR(LoadLibraryA("nosuchmodule.dll"), nullptr, ERROR_MOD_NOT_FOUND);
    EXPECT_ERROR(LoadLibraryA("winmm.dl"), nullptr, ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(LoadLibraryA(""), nullptr);
    EXPECT_ERROR(LoadLibraryA(nullptr), nullptr, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(KnobModuleLoadCount("nosuchmodule"), -1);
}

TEST(ModuleLoading, ExportsAreTheRealFunctions) {
    HMODULE ole = LoadLibraryA("ole32.dll");
    ASSERT_NE(ole, nullptr);
    auto init = procAs<HRESULT(WINAPI*)(LPVOID, DWORD)>(GetProcAddress(ole, "CoInitializeEx"));
    auto uninit = procAs<void(WINAPI*)()>(GetProcAddress(ole, "CoUninitialize"));
    ASSERT_NE(init, nullptr);
    ASSERT_NE(uninit, nullptr);
    EXPECT_EQ(init(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    uninit();
    uninit();

    registerTestModule();
    HMODULE m = LoadLibraryA("modtest_answers");
    ASSERT_NE(m, nullptr);
    auto f = procAs<int (*)()>(GetProcAddress(m, "Answer"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f(), 42);
    // Export names are case-sensitive, as on Windows.
    EXPECT_ERROR(GetProcAddress(m, "answer"), nullptr, ERROR_PROC_NOT_FOUND);
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_TRUE(FreeLibrary(ole));
}

TEST(ModuleLoading, EveryModuleTheEngineLoadsIsThere) {
    const char* names[] = {"kernel32.dll", "winmm.dll", "ole32.dll", "comctl32.dll", "dwmapi.dll"};
    for (const char* name : names) {
        HMODULE h = LoadLibraryA(name);
        EXPECT_NE(h, nullptr) << name;
        if (h) {
            EXPECT_TRUE(FreeLibrary(h));
        }
    }
}

TEST(ModuleLoading, TimerCallbacksAreNeverFakeExports) {
    HMODULE winmm = LoadLibraryA("winmm.dll");
    ASSERT_NE(winmm, nullptr);
    // Looked up by the engine, but there is no multimedia-timer stand-in:
    // absent rather than a function that claims to have set a timer.
    EXPECT_EQ(GetProcAddress(winmm, "timeSetEvent"), nullptr);
    EXPECT_EQ(GetProcAddress(winmm, "timeKillEvent"), nullptr);
    FreeLibrary(winmm);
}

TEST(ModuleHiding, HiddenModuleFailsWithModNotFound) {
    KnobHideModule("Ole32", true);
    EXPECT_ERROR(LoadLibraryA("OLE32.DLL"), nullptr, ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(KnobModuleLoadCount("ole32"), 0);
    KnobHideModule("ole32.dll", false);
    HMODULE h = LoadLibraryA("ole32.dll");
    EXPECT_NE(h, nullptr);
    FreeLibrary(h);
}

TEST(ModuleHiding, HiddenExportGivesNullWithProcNotFound) {
    HMODULE ole = LoadLibraryA("ole32.dll");
    ASSERT_NE(ole, nullptr);
    KnobHideExport("OLE32.dll", "CoCreateInstance", true);
    EXPECT_ERROR(GetProcAddress(ole, "CoCreateInstance"), nullptr, ERROR_PROC_NOT_FOUND);
    EXPECT_NE(GetProcAddress(ole, "CoTaskMemAlloc"), nullptr);
    KnobHideExport("ole32", "CoCreateInstance", false);
    EXPECT_NE(GetProcAddress(ole, "CoCreateInstance"), nullptr);
    FreeLibrary(ole);
}

TEST(ModuleHiding, EnvironmentListHidesEachModule) {
    setenv("VESSAMIRE_HIDE", "d3d9.dll, Dwmapi.dll,,comctl32", 1);
    KnobApplyEnvironment();
    unsetenv("VESSAMIRE_HIDE");
    EXPECT_EQ(LoadLibraryA("dwmapi.dll"), nullptr);
    EXPECT_EQ(LoadLibraryA("comctl32.dll"), nullptr);
    HMODULE ole = LoadLibraryA("ole32.dll");
    EXPECT_NE(ole, nullptr);
    FreeLibrary(ole);
}

TEST(ModuleCounts, FreeLibraryBalancesLoadsAndRefusesBadHandles) {
    registerTestModule();
    HMODULE m = LoadLibraryA("modtest_answers.dll");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(GetModuleHandleA("MODTEST_ANSWERS"), m);
    EXPECT_EQ(KnobModuleLoadCount("modtest_answers"), 1);  // GetModuleHandleA counts nothing
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_EQ(KnobModuleLoadCount("modtest_answers"), 0);

    // Unloaded: the handle no longer names a module.
    EXPECT_ERROR(FreeLibrary(m), FALSE, ERROR_INVALID_HANDLE);
    EXPECT_ERROR(GetProcAddress(m, "Answer"), nullptr, ERROR_MOD_NOT_FOUND);
    EXPECT_ERROR(GetModuleHandleA("modtest_answers"), nullptr, ERROR_MOD_NOT_FOUND);

    // Made-up handles are refused without being dereferenced.
    int local = 0;
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&local)));
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(uintptr_t{0xdead0000})));
    EXPECT_ERROR(GetProcAddress(reinterpret_cast<HMODULE>(&local), "Answer"), nullptr,
                 ERROR_MOD_NOT_FOUND);
}

TEST(ModuleCounts, OrdinalAndNullNamesAreRefused) {
    HMODULE ole = LoadLibraryA("ole32");
    ASSERT_NE(ole, nullptr);
    EXPECT_ERROR(GetProcAddress(ole, reinterpret_cast<LPCSTR>(uintptr_t{7})), nullptr,
                 ERROR_PROC_NOT_FOUND);
    EXPECT_ERROR(GetProcAddress(ole, nullptr), nullptr, ERROR_PROC_NOT_FOUND);
    FreeLibrary(ole);
}

TEST(ModuleHandles, ProgramInstanceAndResidentKernel) {
    HMODULE self = GetModuleHandleA(nullptr);
    EXPECT_NE(self, nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), self);
    // The kernel is loaded without LoadLibraryA and stays loaded.
    HMODULE k = GetModuleHandleA("KERNEL32");
    ASSERT_NE(k, nullptr);
    auto memoryStatus =
        procAs<BOOL(WINAPI*)(LPMEMORYSTATUSEX)>(GetProcAddress(k, "GlobalMemoryStatusEx"));
    ASSERT_EQ(memoryStatus, &GlobalMemoryStatusEx);
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    EXPECT_TRUE(memoryStatus(&status));
    EXPECT_GT(status.ullTotalPhys, 0u);
    EXPECT_NE(k, self);
    EXPECT_TRUE(FreeLibrary(k));
    EXPECT_EQ(GetModuleHandleA("kernel32.dll"), k);
    // winmm is not loaded until someone loads it.
    EXPECT_EQ(GetModuleHandleA("winmm"), nullptr);
}

}  // namespace
