// DwmEnableComposition and InitCommonControls(Ex): checked and remembered.
#include <gtest/gtest.h>

#include "test_knobs.h"
#include "windows.h"
#include "support/error_checks.h"

namespace {

TEST(DesktopServices, CompositionActionIsRemembered) {
    EXPECT_EQ(KnobDesktopComposition(), -1);
    EXPECT_EQ(DwmEnableComposition(DWM_EC_DISABLECOMPOSITION), S_OK);
    EXPECT_EQ(KnobDesktopComposition(), DWM_EC_DISABLECOMPOSITION);
    EXPECT_EQ(DwmEnableComposition(DWM_EC_ENABLECOMPOSITION), S_OK);
    EXPECT_EQ(KnobDesktopComposition(), DWM_EC_ENABLECOMPOSITION);
    EXPECT_EQ(DwmEnableComposition(2), E_INVALIDARG);
    EXPECT_EQ(KnobDesktopComposition(), DWM_EC_ENABLECOMPOSITION);
    KnobResetAll();
    EXPECT_EQ(KnobDesktopComposition(), -1);
}

TEST(DesktopServices, CommonControlsCallsAreCounted) {
    EXPECT_EQ(KnobCommonControlsInitialised(), 0);
    InitCommonControls();
    EXPECT_EQ(KnobCommonControlsInitialised(), 1);
    INITCOMMONCONTROLSEX good{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    EXPECT_TRUE(InitCommonControlsEx(&good));
    EXPECT_EQ(KnobCommonControlsInitialised(), 2);
    INITCOMMONCONTROLSEX badSize{4, ICC_WIN95_CLASSES};
    EXPECT_ERROR(InitCommonControlsEx(&badSize), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(InitCommonControlsEx(nullptr));
    EXPECT_EQ(KnobCommonControlsInitialised(), 2);
}

}  // namespace
