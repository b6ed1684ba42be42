// The MMX flag's test hook: forcing either value and releasing it.
#include <gtest/gtest.h>

#include "core/system_services.h"

using namespace DuRud;

namespace {

TEST(MmxHook, ForcesEitherValueAndReleasesToTheMeasuredOne) {
    const int measured = GetSystemState().mmx;
    ASSERT_EQ(ForceMmxAvailable(0), 0);
    EXPECT_EQ(GetMmxAvailable(), 0);
    ASSERT_EQ(ForceMmxAvailable(1), 0);
    EXPECT_EQ(GetMmxAvailable(), 1);

    // A new measurement while forced changes nothing visible ...
    SetMmxAvailable(0);
    EXPECT_EQ(GetMmxAvailable(), 1);
    // ... and shows once released.
    ASSERT_EQ(ForceMmxAvailable(-1), 0);
    EXPECT_EQ(GetMmxAvailable(), 0);
    SetMmxAvailable(1);
    EXPECT_EQ(GetMmxAvailable(), 1);
    SetMmxAvailable(measured);
    EXPECT_EQ(GetMmxAvailable(), measured);

    EXPECT_EQ(ForceMmxAvailable(2), -1);
    EXPECT_EQ(ForceMmxAvailable(-2), -1);
    EXPECT_EQ(GetMmxAvailable(), measured);
}

}  // namespace
