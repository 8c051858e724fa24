#include "main_window.h"

#include "capture/recording_session.h"
#include "engine.h"
#include "recorder_globals.h"
#include "resource_ids.h"
#include "toolbar.h"

namespace {

constexpr UINT_PTR STATUS_TIMER = 1;
constexpr UINT STATUS_TIMER_MS = 500;
constexpr int IDLE_PICTURE_WIDTH = 314;
constexpr int IDLE_PICTURE_HEIGHT = 180;
// The part of the idle picture that is shown: all but its last column and row.
constexpr int IDLE_PICTURE_SHOWN_WIDTH = IDLE_PICTURE_WIDTH - 1;
constexpr int IDLE_PICTURE_SHOWN_HEIGHT = IDLE_PICTURE_HEIGHT - 1;

void register_classes() {
    WNDCLASSEXA main_class = {};
    main_class.cbSize = sizeof main_class;
    main_class.style = CS_PARENTDC;
    main_class.lpfnWndProc = main_window_proc;
    main_class.hInstance = program_instance;
    main_class.hIcon = LoadIconA(program_instance, MAKEINTRESOURCEA(IDI_PROGRAM));
    main_class.hIconSm = static_cast<HICON>(LoadImageA(program_instance,
        MAKEINTRESOURCEA(IDI_PROGRAM_SMALL), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    main_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    main_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    main_class.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    main_class.lpszClassName = MAIN_WINDOW_CLASS;
    RegisterClassExA(&main_class);

    WNDCLASSEXA tool_class = {};
    tool_class.cbSize = sizeof tool_class;
    tool_class.style = CS_OWNDC;
    tool_class.lpfnWndProc = toolbar_proc;
    tool_class.hInstance = program_instance;
    tool_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    tool_class.lpszClassName = TOOLBAR_CLASS;
    RegisterClassExA(&tool_class);
}

void on_destroy(HWND window) {
    // A recording still running would leave its file unfinished if the
    // process ended now: stop the worker and wait for it first.
    if (EngineQuery(ENGINE_QUERY_CAPTURING) || EngineQuery(ENGINE_QUERY_PLAYING)) EngineStop();
    KillTimer(window, STATUS_TIMER);
    PostQuitMessage(0);
}

}  // namespace

void end_session() {
    EngineStopWithin(SESSION_END_WAIT_MS);
}

void create_idle_picture() {
    HWND desktop = GetDesktopWindow();
    HDC screen = GetWindowDC(desktop);
    idle_picture = CreateCompatibleDC(screen);
    ReleaseDC(desktop, screen);
    idle_picture_bitmap = static_cast<HBITMAP>(LoadImageA(program_instance,
        MAKEINTRESOURCEA(IDB_IDLE_PICTURE), IMAGE_BITMAP, 0, 0, LR_DEFAULTSIZE));
    SelectObject(idle_picture, idle_picture_bitmap);
}

void release_idle_picture() {
    // The device context first: a bitmap still selected into one cannot be deleted.
    DeleteDC(idle_picture);
    DeleteObject(idle_picture_bitmap);
    idle_picture = nullptr;
    idle_picture_bitmap = nullptr;
}

int create_main_windows() {
    dialog_brush = CreateSolidBrush(DIALOG_COLOUR);
    register_classes();
    toolbar_window = nullptr;
    status_line = nullptr;
    main_window = CreateWindowExA(0, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE,
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, -10, -10, 10, 10, nullptr,
                                  nullptr, program_instance, nullptr);
    if (!main_window) {
        // Without its window the program could never be closed.
        char text[160];
        wsprintfA(text, "Morvane could not create its main window (system error %lu) and cannot "
                        "start.",
                  GetLastError());
        MessageBoxA(nullptr, text, "Start-up Failed", MB_ICONERROR);
        return 0;
    }
    toolbar_window = CreateWindowExA(0, TOOLBAR_CLASS, "", WS_CHILD, 0, 0, 10, 10, main_window,
                                     nullptr, program_instance, nullptr);
    status_line = CreateWindowExA(0, "STATIC", "",
                                  WS_CHILD | SS_CENTER | SS_CENTERIMAGE | SS_SUNKEN | SS_PATHELLIPSIS,
                                  0, 0, 10, 10, main_window, nullptr, program_instance, nullptr);

    // 399 and 299, not the window's size, are what the centring subtracts.
    RECT screen;
    GetWindowRect(GetDesktopWindow(), &screen);
    int width = screen.right - screen.left;
    int height = screen.bottom - screen.top;
    SetWindowPos(main_window, nullptr, (width - 399) / 2, (height - 299) / 2, MAIN_WINDOW_WIDTH,
                 MAIN_WINDOW_HEIGHT, SWP_NOZORDER);
    SendMessageA(status_line, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    ShowWindow(main_window, SW_SHOWNORMAL);
    ShowWindow(status_line, SW_SHOWNORMAL);
    UpdateWindow(main_window);
    return 1;
}

void lay_out_main_window(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    int top = client.bottom - BOTTOM_BAND_HEIGHT;
    // The children do not exist yet while the main window is being created.
    if (toolbar_window) {
        SetWindowPos(toolbar_window, nullptr, 0, top, TOOLBAR_WIDTH, TOOLBAR_HEIGHT,
                     SWP_SHOWWINDOW | SWP_NOZORDER);
    }
    if (status_line) {
        SetWindowPos(status_line, nullptr, TOOLBAR_WIDTH, top,
                     (client.right - client.left) - (TOOLBAR_WIDTH - 1), BOTTOM_BAND_HEIGHT,
                     SWP_SHOWWINDOW | SWP_NOZORDER);
    }
    RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
}

void paint_idle_picture(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    int w = client.right - client.left + 1;
    int h = client.bottom - client.top + 1;
    if (w > IDLE_PICTURE_WIDTH && h > IDLE_PICTURE_HEIGHT) {
        BitBlt(dc, w / 2 - IDLE_PICTURE_WIDTH / 2, h / 2 - IDLE_PICTURE_HEIGHT / 2,
               IDLE_PICTURE_SHOWN_WIDTH, IDLE_PICTURE_SHOWN_HEIGHT, idle_picture, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchBlt(dc, client.left, client.top, w, h, idle_picture, 0, 0, IDLE_PICTURE_SHOWN_WIDTH,
                   IDLE_PICTURE_SHOWN_HEIGHT, SRCCOPY);
    }
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        SetTimer(window, STATUS_TIMER, STATUS_TIMER_MS, nullptr);
        return 0;
    case WM_SIZE:
        // A minimised window has no client area to lay out: the children
        // keep their places for its return.
        if (wparam != SIZE_MINIMIZED) lay_out_main_window(window);
        return 0;
    case WM_ERASEBKGND:
        paint_idle_picture(window, reinterpret_cast<HDC>(wparam));
        return 1;  // erased: painting must not ask for it again
    case WM_TIMER:
        if (wparam == STATUS_TIMER) refresh_status_line();
        return 0;
    case WM_MOUSEMOVE:
        show_ready_text();
        return 0;
    case WM_COMMAND:
        run_main_command(window, LOWORD(wparam));
        return 0;
    case WM_HOTKEY:
        on_recording_key(wparam);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        on_destroy(window);
        return 0;
    case WM_QUERYENDSESSION:
        // The recording is stopped only once the session is known to end.
        return TRUE;
    case WM_ENDSESSION:
        if (wparam) end_session();
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}
