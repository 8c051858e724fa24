#include <windows.h>

#include "win32/direct_screen_probe.h"

// The primary surface description the provider fills in; nothing reads it.
struct DirectSurfaceDescription {
    uint8_t bytes[256];
};

typedef HDC(WINAPI* OpenProviderFn)();
typedef int(WINAPI* CreatePrimaryFn)(HDC, DirectSurfaceDescription**);
typedef void(WINAPI* CloseProviderFn)(HDC);

static HMODULE library;
static HDC provider;
static DirectSurfaceDescription* primary;
static bool directAccessOpen;
static uint32_t status;

static const char* const ENTRY_POINTS[] = {"DCIOpenProvider", "DCICreatePrimary",
                                           "DCIBeginAccess",  "DCIEndAccess",
                                           "DCIDestroy",      "DCICloseProvider"};

static void Close(uint32_t code) {
    status = code;
    if (library) FreeLibrary(library);
    library = nullptr;
}

int DirectScreenProbe(uint32_t options) {
    status = DIRECT_SCREEN_OK;
    if (!(options & DIRECT_SCREEN_OPEN) || directAccessOpen) return 1;
    library = LoadLibraryA("dciman32.dll");
    if (!library) {
        status = DIRECT_SCREEN_NO_LIBRARY;
        return 1;
    }
    FARPROC entries[6];
    for (int i = 0; i < 6; i++) {
        entries[i] = GetProcAddress(library, ENTRY_POINTS[i]);
        if (!entries[i]) {
            Close(DIRECT_SCREEN_NO_ENTRY_POINT);
            return 1;
        }
    }
    provider = reinterpret_cast<OpenProviderFn>(reinterpret_cast<void*>(entries[0]))();
    if (!provider) {
        Close(DIRECT_SCREEN_REFUSED);
        return 1;
    }
    if (reinterpret_cast<CreatePrimaryFn>(reinterpret_cast<void*>(entries[1]))(provider,
                                                                                &primary) == 0) {
        directAccessOpen = true;  // stays open for the life of the process
        return 1;
    }
    reinterpret_cast<CloseProviderFn>(reinterpret_cast<void*>(entries[5]))(provider);
    provider = nullptr;
    Close(DIRECT_SCREEN_REFUSED);
    return 1;
}

uint32_t DirectScreenStatus() {
    return status;
}

int DirectScreenIsOpen() {
    return directAccessOpen ? 1 : 0;
}
