// Message queues: order, filters, PM_NOREMOVE, WM_QUIT, posts from many
// threads, cross-thread sends, translation and dispatch.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/window_test_support.h"
#include "support/test_support.h"

using namespace windowtest;
using MessageQueue = WindowTest;

TEST_F(MessageQueue, PostedMessagesComeOutInOrderAndNoRemoveLeavesThem) {
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(PostMessageA(w, WM_USER, i, 0));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.wParam, 0u);  // still there
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
        EXPECT_EQ(msg.hwnd, w);
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));
        EXPECT_EQ(msg.wParam, static_cast<WPARAM>(i));
    }
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_REMOVE));
}

TEST_F(MessageQueue, WindowAndRangeFiltersPickExactlyTheirMessages) {
    HWND a = w, b = MakeWindow();
    ASSERT_NE(b, nullptr);
    PumpAll();
    PostMessageA(a, WM_USER + 1, 0, 0);
    PostThreadMessageA(GetWindowThreadProcessId(a, nullptr), WM_USER + 2, 0, 0);
    PostMessageA(b, WM_USER + 3, 0, 0);
    PostMessageA(nullptr, WM_USER + 4, 0, 0);  // a thread message too
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 3));
    EXPECT_FALSE(PeekMessageA(&msg, b, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
    EXPECT_EQ(msg.hwnd, nullptr);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 4, WM_USER + 4, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 4));
    EXPECT_FALSE(PeekMessageA(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, a, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    DestroyWindow(b);
}

TEST_F(MessageQueue, QuitComesAfterMessagesAlreadyPosted) {
    EXPECT_FALSE(PostThreadMessageA(0, WM_USER, 0, 0));  // no such thread
    PostMessageA(nullptr, WM_USER, 1, 0);
    PostQuitMessage(7);
    PostMessageA(nullptr, WM_USER, 2, 0);
    MSG msg;
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.wParam, 1u);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST(MessageQueueThreads, EightThreadsPostingLoseNothing) {
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    PumpAll();
    constexpr int kThreads = 8, kEach = 1000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([w, t] {
            for (int i = 0; i < kEach; ++i) PostMessageA(w, WM_USER, t, i);
        });
    }
    for (auto& t : threads) t.join();
    std::vector<int> next(kThreads, 0);
    MSG msg;
    int total = 0;
    while (PeekMessageA(&msg, w, WM_USER, WM_USER, PM_REMOVE)) {
        // Each thread's posts keep their order.
        ASSERT_EQ(msg.lParam, next[msg.wParam]++);
        ++total;
    }
    EXPECT_EQ(total, kThreads * kEach);
    DestroyWindow(w);
}

TEST_F(MessageQueue, QueueFullFailsWithQuota) {
    int posted = 0;
    while (PostMessageA(nullptr, WM_USER, 0, 0) && posted < 20000) ++posted;
    EXPECT_EQ(posted, 10000);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_QUOTA));
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

namespace {
LRESULT CALLBACK Answer(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_USER + 9) return static_cast<LRESULT>(wp * 2);
    return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

TEST(MessageQueueThreads, SendFromAnotherThreadRunsInsideOwnersPeek) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Answer;
    wc.lpszClassName = "Answering";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND w = CreateWindowExA(0, "Answering", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(SendMessageA(w, WM_USER + 9, 4, 0), 8);  // same thread: direct call

    std::atomic<bool> done{false};
    LRESULT result = 0;
    std::thread sender([&] {
        result = SendMessageA(w, WM_USER + 9, 21, 0);
        done = true;
    });
    // The sender blocks until this thread looks at its queue.
    testsupport::WaitUntil(
        [&] {
            // The sent message runs inside the call and is never returned.
            MSG msg;
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                EXPECT_NE(msg.message, static_cast<UINT>(WM_USER + 9));
            }
            return done.load();
        },
        testsupport::kWaitLimit, "the other thread's SendMessage returning",
        testsupport::PollStep::kYield);
    sender.join();
    EXPECT_EQ(result, 42);
    DestroyWindow(w);
    UnregisterClassA("Answering", nullptr);
}

TEST(MessageQueueThreads, SendToWindowBeingDestroyedDoesNotHang) {
    HWND w = MakeWindow();
    ASSERT_NE(w, nullptr);
    // A window destroyed while another thread sends to it answers 0.
    std::thread sender([w] { EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0); });
    testsupport::WaitUntil(
        [&] {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
            DestroyWindow(w);
            return !IsWindow(w);
        },
        testsupport::kWaitLimit, "the window destroyed", testsupport::PollStep::kYield);
    sender.join();
}

TEST_F(MessageQueue, TranslateAddsCharactersForControlKeysAndAltKeys) {
    MSG key{w, WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
    EXPECT_TRUE(TranslateMessage(&key));
    PostMessageA(w, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR));  // ahead of later posts
    EXPECT_EQ(msg.wParam, 0x0Du);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER));

    for (auto [vk, ch] : {std::pair{VK_BACK, 0x08}, {VK_TAB, 0x09}, {VK_ESCAPE, 0x1B}}) {
        MSG k{w, WM_KEYDOWN, static_cast<WPARAM>(vk), 1, 0, {}};
        TranslateMessage(&k);
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR));
        EXPECT_EQ(msg.wParam, static_cast<WPARAM>(ch));
    }
    MSG letter{w, WM_KEYDOWN, 'A', 1, 0, {}};
    TranslateMessage(&letter);  // typed text comes from the text input instead
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));

    MSG altEnter{w, WM_SYSKEYDOWN, VK_RETURN, static_cast<LPARAM>(0x201C0001), 0, {}};
    TranslateMessage(&altEnter);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_SYSCHAR));
    EXPECT_EQ(msg.wParam, 0x0Du);
    MSG altX{w, WM_SYSKEYDOWN, 'X', static_cast<LPARAM>(0x202D0001), 0, {}};
    TranslateMessage(&altX);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_SYSCHAR));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('x'));
    EXPECT_FALSE(TranslateMessage(nullptr));
}

TEST_F(MessageQueue, DispatchCallsTheProcedureAndAcceleratorsTranslateNothing) {
    MSG msg{w, WM_USER + 3, 5, 6, 0, {}};
    DispatchMessageA(&msg);
    auto got = Only({WM_USER + 3});
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].wParam, 5u);
    EXPECT_EQ(got[0].lParam, 6);
    EXPECT_EQ(DispatchMessageA(nullptr), 0);
    EXPECT_EQ(TranslateAcceleratorA(w, nullptr, &msg), 0);
    EXPECT_FALSE(IsDialogMessageA(nullptr, &msg));
}
