// The socket layer as this system runs it: never started, so every entry
// refuses or does nothing, and a stray select message is logged.
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "../core/log_test_support.h"
#include "net/network.h"

namespace DuRud {
namespace {

class NetworkNotStarted : public StartedLog {};

TEST_F(NetworkNotStarted, EntriesRefuseOrDoNothing) {
    EXPECT_EQ(ProcessNetworkMessages(1), 0);
    EXPECT_EQ(ProcessNetworkMessages(0), 0);
    EXPECT_EQ(AcceptNetWork(), -1);
    EXPECT_EQ(RecvSocket(0), -1);
    EXPECT_EQ(RecvSocket(-1), -1);
    EXPECT_EQ(SendSocket(0x28000001), -1);
    EXPECT_EQ(EndNetwork(), 0);
    EXPECT_EQ(EndNetwork(), 0);
}

TEST_F(NetworkNotStarted, SocketNoHandleOwnsIsLogged) {
    EXPECT_EQ(NetworkWindowMessage(nullptr, kNetworkSelectMessage, 5, 1), 0);
    const auto lines = LinesWithoutStamps(LogBytes());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "\x92\xCA\x90\x4D\x83\x47\x83\x89\x81\x5B No.1");
}

TEST_F(NetworkNotStarted, LogErrorIsBoundedAndReturnsMinusOne) {
    const std::string huge(10000, 'x');
    EXPECT_EQ(NetworkLogError("%s", huge.c_str()), -1);
    EXPECT_EQ(NetworkLogError(nullptr), -1);
    const std::string bytes = LogBytes();
    const auto xs = std::count(bytes.begin(), bytes.end(), 'x');
    EXPECT_GT(xs, 0);
    EXPECT_LE(xs, 2047);  // the text was cut to its buffer
}

}  // namespace
}  // namespace DuRud
