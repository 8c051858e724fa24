#include <windows.h>

#include <atomic>

#include "win32/fault_guard_win.h"

enum GuardSetUp { GUARD_NONE, GUARD_INSTALLING, GUARD_READY, GUARD_UNAVAILABLE };

static std::atomic<int> guardSetUp(GUARD_NONE);
static DWORD guardSlot = TLS_OUT_OF_INDEXES;  // this thread's running guard
static uintptr_t ownCodeBegin, ownCodeEnd;     // this program's image

// The resumed thread starts its resume routine this far below the stack
// pointer it faulted at; what lies there belonged to the finished dispatch.
static const uintptr_t RESUME_STACK_GAP = 256;

#if defined(__i386__)
// The head of the frame-based handler chain, the first word of the thread's
// information block.
static void* HandlerChain() {
    void* chain;
    __asm__ volatile("movl %%fs:0, %0" : "=r"(chain));
    return chain;
}

static void SetHandlerChain(void* chain) {
    __asm__ volatile("movl %0, %%fs:0" : : "r"(chain) : "memory");
}
#endif

static FaultGuard* RunningGuard() {
    DWORD lastError = GetLastError();  // TlsGetValue clears it; the faulting code may want it
    FaultGuard* guard = static_cast<FaultGuard*>(TlsGetValue(guardSlot));
    SetLastError(lastError);
    return guard;
}

static bool IsMemoryFault(DWORD code) {
    return code == EXCEPTION_ACCESS_VIOLATION || code == EXCEPTION_IN_PAGE_ERROR ||
           code == STATUS_GUARD_PAGE_VIOLATION;
}

static bool IsGuardedFault(const FaultGuard* guard, const EXCEPTION_RECORD* record) {
    if (record->ExceptionFlags & EXCEPTION_NONCONTINUABLE) return false;
    DWORD code = record->ExceptionCode;
    bool memory = IsMemoryFault(code);
    if (!memory && code != EXCEPTION_INT_DIVIDE_BY_ZERO && code != EXCEPTION_INT_OVERFLOW)
        return false;
    uintptr_t at = reinterpret_cast<uintptr_t>(record->ExceptionAddress);
    if (at >= ownCodeBegin && at < ownCodeEnd) return true;
    // Only faults on the guarded data are taken from code of the system's
    // libraries, which may probe other memory under handlers of their own.
    if (!memory || record->NumberParameters < 2) return false;
    uintptr_t address = record->ExceptionInformation[1];
    return address >= guard->dataBegin && address < guard->dataEnd;
}

// Runs in place of the faulted code once the dispatch has ended: back to the
// start of the guarded run.
__attribute__((noreturn, noinline)) static void ResumeAfterFault() {
    FaultGuard* guard = static_cast<FaultGuard*>(TlsGetValue(guardSlot));
#if defined(__i386__)
    // Frames skipped over may have left handler records on the chain.
    SetHandlerChain(guard->handlerChain);
#endif
    __builtin_longjmp(guard->resume, 1);
}

static LONG CALLBACK FaultGuardHandler(EXCEPTION_POINTERS* info) {
    FaultGuard* guard = RunningGuard();
    if (!guard || guard->faultCode || !IsGuardedFault(guard, info->ExceptionRecord))
        return EXCEPTION_CONTINUE_SEARCH;
    guard->faultCode = info->ExceptionRecord->ExceptionCode;
    // The thread continues at ResumeAfterFault on a fresh, aligned stack
    // pointer, as if it had just been called.
    CONTEXT* context = info->ContextRecord;
#if defined(__x86_64__)
    context->Rsp = ((context->Rsp - RESUME_STACK_GAP) & ~static_cast<DWORD64>(15)) - 8;
    context->Rip = reinterpret_cast<DWORD64>(&ResumeAfterFault);
#elif defined(__i386__)
    context->Esp = ((context->Esp - RESUME_STACK_GAP) & ~static_cast<DWORD>(15)) - 4;
    context->Eip = reinterpret_cast<DWORD>(&ResumeAfterFault);
#else
#error "the fault guard knows the contexts of x86 and x86-64 only"
#endif
    return EXCEPTION_CONTINUE_EXECUTION;
}

static void FindOwnImage() {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCSTR>(&FaultGuardHandler), &module))
        return;
    const uint8_t* base = reinterpret_cast<const uint8_t*>(module);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    ownCodeBegin = reinterpret_cast<uintptr_t>(base);
    ownCodeEnd = ownCodeBegin + nt->OptionalHeader.SizeOfImage;
}

// Installs the handler once per process; the first thread to get here does
// it while any other waits.
static bool GuardInstalled() {
    int state = guardSetUp;
    if (state == GUARD_NONE) {
        int expected = GUARD_NONE;
        if (guardSetUp.compare_exchange_strong(expected, GUARD_INSTALLING)) {
            FindOwnImage();
            guardSlot = TlsAlloc();
            bool ready = guardSlot != TLS_OUT_OF_INDEXES &&
                         AddVectoredExceptionHandler(1, FaultGuardHandler) != nullptr;
            guardSetUp = ready ? GUARD_READY : GUARD_UNAVAILABLE;
        }
    }
    while ((state = guardSetUp) == GUARD_INSTALLING) Sleep(0);
    return state == GUARD_READY;
}

__attribute__((noinline)) int FaultGuardRun(FaultGuard* guard, const void* data, size_t size,
                                            void (*body)(void*), void* context) {
    if (!GuardInstalled()) {
        body(context);
        return 1;
    }
    FaultGuard* volatile running = guard;
    uintptr_t begin = reinterpret_cast<uintptr_t>(data);
    guard->dataBegin = begin;
    guard->dataEnd = size > UINTPTR_MAX - begin ? UINTPTR_MAX : begin + size;
    guard->faultCode = 0;
#if defined(__i386__)
    guard->handlerChain = HandlerChain();
#endif
    guard->enclosing = TlsGetValue(guardSlot);
    if (__builtin_setjmp(guard->resume) == 0) {
        TlsSetValue(guardSlot, guard);
        body(context);
        TlsSetValue(guardSlot, guard->enclosing);
        return 1;
    }
    TlsSetValue(guardSlot, running->enclosing);
    return 0;
}
