// Tells the end-to-end driver where things are on the screen, as Windows
// sees them, so that it clicks controls found through the system rather than
// dialog units converted by hand. Rectangles are printed as screen
// coordinates "left top right bottom" (right and bottom exclusive). TITLE is
// the beginning of a visible top-level window's title.
//   e2e_probe window TITLE           outer rectangle, then the client one
//   e2e_probe control TITLE ID       a dialog control's rectangle and text
//   e2e_probe child TITLE CLASS      the first child of that class, and text
//   e2e_probe item TITLE ID TEXT     the entry TEXT in combo box ID's list
//   e2e_probe close TITLE            asks the window to close
//   e2e_probe menu                   a dropped menu's rectangle
//   e2e_probe monitors               each monitor's rectangle, one a line
//   e2e_probe move TITLE X Y         moves the window's corner to X, Y
//   e2e_probe show TITLE minimize|restore
// Exit 1 when the window, control or entry is not there (yet).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static void PrintRect(const RECT& rect) {
    std::printf("%ld %ld %ld %ld", rect.left, rect.top, rect.right, rect.bottom);
}

static int PrintWindow(HWND window) {
    RECT rect;
    if (!window || !GetWindowRect(window, &rect)) return 1;
    // WM_GETTEXT, not GetWindowTextA, which reads no control of another
    // process: a combo box's edit text included.
    char text[512] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &length);
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';  // one line a rectangle
    }
    PrintRect(rect);
    std::printf(" %s\n", text);
    return 0;
}

static int Window(HWND window) {
    RECT outer, client;
    if (!GetWindowRect(window, &outer) || !GetClientRect(window, &client)) return 1;
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    PrintRect(outer);
    std::printf(" ");
    PrintRect(client);
    std::printf("\n");
    return 0;
}

struct ListSearch {
    DWORD thread;
    HWND found;
};

// A dropped combo box list is a top-level window of class ComboLBox of the
// combo box's thread (its owner's information is not readable from another
// process).
static BOOL CALLBACK FindDroppedList(HWND window, LPARAM search_address) {
    auto* search = reinterpret_cast<ListSearch*>(search_address);
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (GetWindowThreadProcessId(window, nullptr) == search->thread &&
        lstrcmpiA(name, "ComboLBox") == 0 && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

static int ComboItem(HWND combo, const char* text) {
    if (!combo) return 1;
    ListSearch search = {GetWindowThreadProcessId(combo, nullptr), nullptr};
    EnumWindows(FindDroppedList, reinterpret_cast<LPARAM>(&search));
    LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(text));
    RECT rect;
    if (!search.found || index == CB_ERR ||
        SendMessageA(search.found, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect)) ==
            LB_ERR)
        return 1;
    MapWindowPoints(search.found, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    PrintRect(rect);
    std::printf("\n");
    return 0;
}

struct TitleSearch {
    const char* title;
    HWND found;
};

static BOOL CALLBACK FindTitled(HWND window, LPARAM search_address) {
    auto* search = reinterpret_cast<TitleSearch*>(search_address);
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    if (IsWindowVisible(window) &&
        std::strncmp(text, search->title, std::strlen(search->title)) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// A menu dropped from a menu bar is a top-level window of class #32768.
static int DroppedMenu() {
    HWND menu = FindWindowA("#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return 1;
    return Window(menu);
}

static BOOL CALLBACK PrintMonitor(HMONITOR, HDC, LPRECT rect, LPARAM) {
    PrintRect(*rect);
    std::printf("\n");
    return TRUE;
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "menu") == 0) return DroppedMenu();
    if (argc == 2 && std::strcmp(argv[1], "monitors") == 0)
        return EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, 0) ? 0 : 1;
    if (argc < 3) return 2;
    const char* what = argv[1];
    TitleSearch search = {argv[2], nullptr};
    EnumWindows(FindTitled, reinterpret_cast<LPARAM>(&search));
    HWND window = search.found;
    if (!window) return 1;
    if (std::strcmp(what, "window") == 0) return Window(window);
    if (std::strcmp(what, "control") == 0 && argc == 4)
        return PrintWindow(GetDlgItem(window, std::atoi(argv[3])));
    if (std::strcmp(what, "child") == 0 && argc == 4)
        return PrintWindow(FindWindowExA(window, nullptr, argv[3], nullptr));
    if (std::strcmp(what, "item") == 0 && argc == 5)
        return ComboItem(GetDlgItem(window, std::atoi(argv[3])), argv[4]);
    if (std::strcmp(what, "close") == 0) return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    if (std::strcmp(what, "move") == 0 && argc == 5)
        return SetWindowPos(window, nullptr, std::atoi(argv[3]), std::atoi(argv[4]), 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
    if (std::strcmp(what, "show") == 0 && argc == 4)
        return ShowWindowAsync(window, std::strcmp(argv[3], "minimize") == 0 ? SW_MINIMIZE
                                                                            : SW_RESTORE) ? 0 : 1;
    return 2;
}
