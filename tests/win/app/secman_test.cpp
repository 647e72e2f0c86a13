// TOlSecurityManager against the stand-in component, which records every call it receives.
#include <gtest/gtest.h>

#include "app/OlSecurityManager.h"
#include "platform/ComInit.h"
#include "SecManSupport.h"

using namespace gleaner;
using namespace gleaner::test;

namespace {

class SecManTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(com_.ok());
        RegisterSecMan(); // each test is its own process, so the stand-in's record starts empty
    }
    void TearDown() override
    {
        ::SetDllDirectoryW(nullptr);
        RegisterSecMan();
    }
    static void SetFail(const wchar_t* text) { SecManControl().put(L"Fail", text); }

    ComInit com_;
};

TEST_F(SecManTest, QueriesThenSetsOnlyWhenTheStateChanges)
{
    TOlSecurityManager manager;
    ASSERT_TRUE(manager.available());
    manager.Enabled(false); // a fresh instance is already off: nothing is called
    EXPECT_EQ(SecManCalls(), L"");
    manager.Enabled(true);
    manager.Enabled(true);
    EXPECT_EQ(SecManCalls(), L"GetState 0\nSetState 0 1\n");
    manager.Enabled(false);
    EXPECT_EQ(SecManCalls(), L"GetState 0\nSetState 0 1\nGetState 0\nSetState 0 0\n");
}

TEST_F(SecManTest, NonZeroQueryAnswerSkipsTheSetterButIsRemembered)
{
    SecManControl().put(L"QueryAnswer", 1);
    TOlSecurityManager manager;
    manager.Enabled(true);
    EXPECT_EQ(SecManCalls(), L"GetState 0\n");
    manager.Enabled(true);
    EXPECT_EQ(SecManCalls(), L"GetState 0\n");
}

TEST_F(SecManTest, FailedConnectReportsTheComponentTextAndStillSelectsConnected)
{
    TOlSecurityManager manager;
    SetFail(L"The stand-in refuses this object.");
    try {
        manager.ConnectTo(Dispatch());
        FAIL() << "ConnectTo should have thrown";
    } catch (const ComError& error) {
        EXPECT_EQ(error.message(), L"The stand-in refuses this object.");
    }
    EXPECT_TRUE(manager.connected());
    SetFail(L"");
    manager.Enabled(true);
    EXPECT_EQ(SecManCalls(), L"ConnectTo\nGetState 3\nSetState 3 1\n");
}

TEST_F(SecManTest, FailedSwitchLeavesTheRememberedStateUnchanged)
{
    TOlSecurityManager manager;
    SetFail(L"Switching failed.");
    EXPECT_THROW(manager.Enabled(true), ComError);
    SetFail(L"");
    SecManControl().call(L"ResetCalls");
    manager.Enabled(true); // still remembered as off, so the component is asked again
    EXPECT_EQ(SecManCalls(), L"GetState 0\nSetState 0 1\n");
}

TEST_F(SecManTest, MissingComponentIsReportedOnUseOnly)
{
    UnregisterSecMan();
    ASSERT_FALSE(SecManRegistered());
    TOlSecurityManager manager; // secman.dll is not on the search path of this process
    EXPECT_FALSE(manager.available());
    for (auto attempt : {+[](TOlSecurityManager& m) { m.ConnectTo(Dispatch()); },
                         +[](TOlSecurityManager& m) { m.Enabled(true); }}) {
        try {
            attempt(manager);
            ADD_FAILURE() << "expected TosmException";
        } catch (const TosmException& error) {
            EXPECT_EQ(error.message(), L"Outlook Security Manager is not found.");
        }
    }
    // The failed request left the state off, so switching off is a no-op.
    EXPECT_NO_THROW(manager.Enabled(false));
    EXPECT_EQ(::GetModuleHandleW(L"secman.dll"), nullptr);
}

TEST_F(SecManTest, UnregisteredLibraryOnTheSearchPathRegistersItself)
{
    UnregisterSecMan();
    ASSERT_FALSE(SecManRegistered());
    ASSERT_TRUE(::SetDllDirectoryW(SecManFolder().c_str()));
    TOlSecurityManager manager;
    EXPECT_TRUE(manager.available());
    EXPECT_TRUE(SecManRegistered());
    manager.Enabled(true);
    EXPECT_EQ(SecManCalls(), L"GetState 0\nSetState 0 1\n");
}

} // namespace
