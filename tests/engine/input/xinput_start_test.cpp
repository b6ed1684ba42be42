// Start-up finds the XInput stand-in and shutdown lets it go again.
#include "core/log.h"
#include "core/text_literals.h"
#include "input_fixture.h"
#include "support/test_support.h"

using namespace inputtest;

TEST_F(InputTest, StartUpLoadsXInputAndShutdownFreesIt) {
    ASSERT_EQ(DuRud::SetLogFolder("."), 0);
    ASSERT_EQ(DuRud::LogOpen(), 0);
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    EXPECT_NE(DuRud::Input().xinputLibrary, nullptr);
    EXPECT_NE(DuRud::Input().xinputGetState, nullptr);
    EXPECT_NE(DuRud::Input().xinputSetState, nullptr);
    DuRud::ShutdownInput();
    EXPECT_EQ(DuRud::Input().xinputLibrary, nullptr);
    std::string log = testsupport::ReadFile("Log.txt");
    using DuRud::Cp932Text;
    EXPECT_NE(log.find(Cp932Text("XInput DLL の読み込み中... 成功")), std::string::npos);
    EXPECT_EQ(log.find(Cp932Text("失敗、XInputは使用しません")), std::string::npos);
    DuRud::ResetLogForTest();
}

TEST_F(InputTest, StartUpFallsBackToOlderXInputNames) {
    KnobHideModule("xinput1_4.dll", true);
    ASSERT_EQ(DuRud::InitializeInput(), 0);
    ASSERT_NE(DuRud::Input().xinputLibrary, nullptr);
    EXPECT_EQ(DuRud::Input().xinputLibrary, GetModuleHandleA("xinput1_3.dll"));
}
