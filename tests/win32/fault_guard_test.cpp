// The fault guard of the frame loops on a test thread: faults on the
// guarded data, in whatever code reads it, and faults in this program's own
// code end the run, as often as they come; a system function that probes
// other memory under a handler of its own, and a fault of another thread,
// are left to their own handlers.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "win32/fault_guard_win.h"

namespace {

struct Pages {
    uint8_t* data;     // one readable page, guarded
    uint8_t* outside;  // one page the process may not read, not guarded
    size_t page;
};

// Volatile, so that no store is moved before the faulting instruction.
struct Probe {
    const uint8_t* at;
    volatile int reached;  // the body got past its read
    volatile int result;
};

void ReadInOwnCode(void* context) {
    Probe* probe = static_cast<Probe*>(context);
    probe->result = *static_cast<const volatile uint8_t*>(probe->at);
    probe->reached = 1;
}

// memcpy of the C library, called through a pointer so that it is not
// inlined into this program's own code.
void* (*volatile libraryCopy)(void*, const void*, size_t) = memcpy;

void ReadInLibraryCode(void* context) {
    Probe* probe = static_cast<Probe*>(context);
    uint8_t copy[16];
    libraryCopy(copy, probe->at, sizeof(copy));
    probe->reached = 1;
}

void DivideByZero(void* context) {
    Probe* probe = static_cast<Probe*>(context);
    volatile int zero = 0;
    probe->result = 100 / zero;
    probe->reached = 1;
}

void ProbeUnderTheSystemsHandler(void* context) {
    Probe* probe = static_cast<Probe*>(context);
    probe->result = IsBadReadPtr(probe->at, 1);
    probe->reached = 1;
}

DWORD WINAPI ProbeFromAnotherThread(LPVOID context) {
    ProbeUnderTheSystemsHandler(context);
    return 0;
}

void WaitForAnotherThreadsProbe(void* context) {
    HANDLE thread = CreateThread(nullptr, 0, ProbeFromAnotherThread, context, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

TEST(FaultGuard, EndsTheRunOnItsOwnFaultsAndLeavesOthersAlone) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    Pages pages = {};
    pages.page = system.dwPageSize;
    pages.data = static_cast<uint8_t*>(
        VirtualAlloc(nullptr, 2 * pages.page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(pages.data, nullptr);
    pages.outside = pages.data + pages.page;
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(pages.outside, pages.page, PAGE_NOACCESS, &old));

    const struct {
        const char* what;
        void (*body)(void*);
        bool guardedBecomesUnreadable;
        bool readsOutside;
        DWORD protection;
        uint32_t faultCode;  // 0: the run ends normally
    } cases[] = {
        {"own code, guarded data gone", ReadInOwnCode, true, false, PAGE_NOACCESS,
         EXCEPTION_ACCESS_VIOLATION},
        {"own code, a guard page", ReadInOwnCode, true, false, PAGE_READONLY | PAGE_GUARD,
         STATUS_GUARD_PAGE_VIOLATION},
        {"own code, other memory", ReadInOwnCode, false, true, 0, EXCEPTION_ACCESS_VIOLATION},
        {"library code, guarded data gone", ReadInLibraryCode, true, false, PAGE_NOACCESS,
         EXCEPTION_ACCESS_VIOLATION},
        {"own code, division by zero", DivideByZero, false, false, 0,
         EXCEPTION_INT_DIVIDE_BY_ZERO},
        {"a system probe of other memory", ProbeUnderTheSystemsHandler, false, true, 0, 0},
        {"another thread's probe of the data", WaitForAnotherThreadsProbe, true, false,
         PAGE_NOACCESS, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // Often, so that a resume that leaked or lost stack would show.
        for (int round = 0; round < 50; round++) {
            ASSERT_TRUE(VirtualProtect(pages.data, pages.page, PAGE_READWRITE, &old));
            if (c.guardedBecomesUnreadable) {
                ASSERT_TRUE(VirtualProtect(pages.data, pages.page, c.protection, &old));
            }
            Probe probe;
            probe.at = c.readsOutside ? pages.outside : pages.data;
            probe.reached = 0;
            probe.result = -1;
            FaultGuard guard = {};
            int completed = FaultGuardRun(&guard, pages.data, pages.page, c.body, &probe);
            ASSERT_EQ(completed, c.faultCode ? 0 : 1) << "round " << round;
            EXPECT_EQ(guard.faultCode, c.faultCode);
            EXPECT_EQ(probe.reached, c.faultCode ? 0 : 1);
            if (c.body == ProbeUnderTheSystemsHandler || c.body == WaitForAnotherThreadsProbe) {
                EXPECT_EQ(probe.result, 1) << "the probe saw the fault";
            }
        }
    }
    // No run is under way any more: a probe of the guarded data from this
    // thread, after all those runs, is again the system's to handle.
    ASSERT_TRUE(VirtualProtect(pages.data, pages.page, PAGE_NOACCESS, &old));
    EXPECT_TRUE(IsBadReadPtr(pages.data, 1));
    VirtualFree(pages.data, 0, MEM_RELEASE);
}

}  // namespace
