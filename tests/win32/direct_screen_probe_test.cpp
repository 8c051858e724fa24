// The direct screen probe against the system's real DCI manager, whatever it
// offers: the expected status is worked out from what "dciman32.dll" provides.
// The tests run in order: the probe keeps process-wide state.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "win32/direct_screen_probe.h"

namespace {

const char* const LIBRARY = "dciman32.dll";

bool LibraryLoaded() { return GetModuleHandleA(LIBRARY) != nullptr; }

TEST(DirectScreenProbe, WithoutTheOpenOptionLoadsNothing) {
    ASSERT_FALSE(LibraryLoaded());
    for (uint32_t options : {0u, 1u, 4u, 0xFFFFFFFDu}) {
        EXPECT_EQ(DirectScreenProbe(options), 1) << "options " << options;
        EXPECT_EQ(DirectScreenStatus(), DIRECT_SCREEN_OK);
        EXPECT_EQ(DirectScreenIsOpen(), 0);
        EXPECT_FALSE(LibraryLoaded()) << "options " << options;
    }
}

TEST(DirectScreenProbe, OpenOptionReportsWhatTheSystemOffersAndReturnsOne) {
    uint32_t expected = DIRECT_SCREEN_NO_LIBRARY;
    HMODULE own = LoadLibraryA(LIBRARY);
    // Set by the test entry that hides the library from the system.
    if (GetEnvironmentVariableA("MORVANE_TEST_NO_DCI", nullptr, 0) != 0) {
        ASSERT_EQ(own, nullptr) << "the library should be hidden from this run";
    }
    if (own) {
        expected = DIRECT_SCREEN_REFUSED;
        for (const char* name : {"DCIOpenProvider", "DCICreatePrimary", "DCIBeginAccess",
                                 "DCIEndAccess", "DCIDestroy", "DCICloseProvider"}) {
            if (!GetProcAddress(own, name)) expected = DIRECT_SCREEN_NO_ENTRY_POINT;
        }
        FreeLibrary(own);
    }
    std::printf("dciman32.dll %s; expected status %u or open\n", own ? "present" : "missing",
                expected);
    ASSERT_FALSE(LibraryLoaded());

    EXPECT_EQ(DirectScreenProbe(DIRECT_SCREEN_OPEN), 1);
    if (DirectScreenIsOpen()) {
        EXPECT_EQ(expected, DIRECT_SCREEN_REFUSED) << "opened without a complete library";
        EXPECT_EQ(DirectScreenStatus(), DIRECT_SCREEN_OK);
        EXPECT_TRUE(LibraryLoaded()) << "an open provider keeps its library";
    } else {
        EXPECT_EQ(DirectScreenStatus(), expected);
        EXPECT_FALSE(LibraryLoaded()) << "a failed probe frees the library";
    }
}

TEST(DirectScreenProbe, LaterCallsResetTheStatusAndKeepTheState) {
    bool open = DirectScreenIsOpen() != 0;
    EXPECT_EQ(DirectScreenProbe(0), 1);
    EXPECT_EQ(DirectScreenStatus(), DIRECT_SCREEN_OK);
    EXPECT_EQ(DirectScreenIsOpen() != 0, open);
    if (open) {
        EXPECT_EQ(DirectScreenProbe(DIRECT_SCREEN_OPEN), 1);
        EXPECT_EQ(DirectScreenStatus(), DIRECT_SCREEN_OK);
        EXPECT_TRUE(LibraryLoaded());
    } else {
        EXPECT_EQ(DirectScreenProbe(DIRECT_SCREEN_OPEN), 1);
        EXPECT_NE(DirectScreenStatus(), DIRECT_SCREEN_OK);
        EXPECT_FALSE(LibraryLoaded());
    }
}

}  // namespace
