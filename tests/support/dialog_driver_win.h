// Answers the file dialogs and message boxes that the code under test opens
// on one thread, the way a person would, from a helper thread: it types a
// name into a file dialog and confirms it, answers Yes to a question and OK
// to every other box, and notes what each showed.
#pragma once

#include <windows.h>
#include <dlgs.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct SeenBox {
    std::string caption;
    std::string text;
};

struct DialogScript {
    std::string file_name;         // typed into a file dialog; empty: cancel it
    std::vector<std::string> file_names;  // typed into the first file dialogs, in turn,
                                          // before file_name; an empty one cancels
    std::vector<std::string> proposed_names;  // what each file dialog held when it opened
    std::vector<SeenBox> boxes;    // every message box, in order
};

// What the boxes of a script said, for failure messages.
inline std::string Describe(const DialogScript& script) {
    std::string said;
    for (const SeenBox& box : script.boxes) said += "[" + box.caption + ": " + box.text + "] ";
    return said;
}

// The one box a script saw, as "caption: text".
inline std::string OnlyBox(const DialogScript& script) {
    if (script.boxes.size() != 1) return "boxes: " + Describe(script);
    return script.boxes[0].caption + ": " + script.boxes[0].text;
}

inline std::string WindowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

inline std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// The name field of a file dialog (the combo box of the newer layout, the
// edit of the older), or null when window is no file dialog.
inline HWND FileNameField(HWND window) {
    HWND field = GetDlgItem(window, cmb13);
    return field ? field : GetDlgItem(window, edt1);
}

inline void PressButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class DialogDriver {
public:
    DialogDriver(DWORD thread, DialogScript* script) : thread_(thread), script_(script) {
        worker_ = std::thread([this] { Run(); });
    }
    ~DialogDriver() {
        stop_ = true;
        worker_.join();
    }

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM list) {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    }

    void Answer(HWND window) {
        // A message box has a caption and its text in control 0xFFFF; a
        // caption-less box (a progress window) is left alone.
        HWND text = GetDlgItem(window, 0xFFFF);
        if (text && !WindowText(window).empty()) {
            script_->boxes.push_back({WindowText(window), WindowText(text)});
            PressButton(window, GetDlgItem(window, IDYES) ? IDYES : IDOK);
        } else if (HWND field = FileNameField(window)) {
            size_t turn = script_->proposed_names.size();
            script_->proposed_names.push_back(WindowText(field));
            const std::string& name = turn < script_->file_names.size()
                                          ? script_->file_names[turn]
                                          : script_->file_name;
            if (name.empty()) {
                PressButton(window, IDCANCEL);
            } else {
                SetWindowTextA(field, name.c_str());
                PressButton(window, IDOK);
            }
        }
    }

    void Run() {
        std::set<HWND> answered;
        while (!stop_) {
            std::vector<HWND> windows;
            EnumThreadWindows(thread_, Collect, reinterpret_cast<LPARAM>(&windows));
            for (HWND window : windows) {
                if (answered.count(window) || !IsWindowVisible(window) ||
                    ClassOf(window) != "#32770")
                    continue;
                // Let the dialog finish opening before it is answered.
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                Answer(window);
                answered.insert(window);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    DWORD thread_;
    DialogScript* script_;
    std::atomic<bool> stop_{false};
    std::thread worker_;
};
