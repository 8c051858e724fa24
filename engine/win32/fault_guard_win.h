// A fault path for the worker threads' frame loops. A video read through a
// file mapping can vanish under the reader: when its network share or
// removable disk goes away, the next read of a page not yet in memory raises
// an in-page error, which would end the whole process. FaultGuardRun runs a
// frame loop so that such a fault ends the loop instead, and the worker then
// leaves through its normal end sequence.
//
// A process-wide vectored exception handler looks at each exception first.
// It acts only on the thread inside FaultGuardRun, and only on memory faults
// on the guarded data (in whatever code reads it) or memory and arithmetic
// faults in this program's own code. It then resumes the thread at the start
// of its run, through the system's own continuation, so that the exception
// dispatch ends normally. Every other exception goes on as before.
#pragma once

#include <cstddef>
#include <cstdint>

struct FaultGuard {
    void* resume[5];         // where the run resumes after a fault (__builtin_setjmp)
    uintptr_t dataBegin;     // reads of this range may fault in any code
    uintptr_t dataEnd;
    void* handlerChain;      // 32-bit x86: the frame-based handler chain at the start
    void* enclosing;         // the guard of an enclosing run on this thread, or null
    uint32_t faultCode;      // the exception that ended the run; 0 while none did
};

// Runs body(context) on this thread with size bytes at data guarded (none
// when size is 0). Returns 1 when body returned, 0 when a fault ended it;
// guard->faultCode then holds the exception's code. Where the handler
// cannot be installed, body runs unguarded.
int FaultGuardRun(FaultGuard* guard, const void* data, size_t size, void (*body)(void*),
                  void* context);
