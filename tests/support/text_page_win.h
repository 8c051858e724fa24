// A page of text for the measuring programs: lines of build output on a
// dark background, to be shown scrolled through a window.
#pragma once

#include <windows.h>

#include <cstdio>

#include "frame_surface.h"
#include "test_pictures.h"

const int LINE_HEIGHT = 16;

// A page of text lines on a flat background, taller than the window, so
// that the window can show it scrolled by any whole number of lines.
inline bool DrawTextPage(FrameSurface* page, int width, int lines) {
    if (!FrameSurfaceCreate(static_cast<uint32_t>(width),
                            static_cast<uint32_t>(lines * LINE_HEIGHT), page))
        return false;
    FrameSurfaceLock(page);
    FrameSurfaceFill(page, 0, 0, page->width - 1, page->height - 1, Bgrx(36, 30, 30));
    FrameSurfaceUnlock(page);
    void* dcPlace = nullptr;
    HDC dc = static_cast<HDC>(FrameSurfaceGetDC(&dcPlace, nullptr, page));
    SetBkMode(dc, TRANSPARENT);
    HFONT font = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    HGDIOBJ oldFont = SelectObject(dc, font);
    unsigned seed = 12345;
    for (int line = 0; line < lines; line++) {
        seed = seed * 1103515245u + 12345u;
        char text[200];
        int length = snprintf(text, sizeof text,
                              "%05d  [build] compiling engine/module_%u.cpp -> obj/module_%u.o  "
                              "flags=-O2 -Wall  status=%s  elapsed=%u ms",
                              line, (seed >> 8) % 97, (seed >> 8) % 97,
                              (seed >> 20) % 5 ? "ok" : "warning", (seed >> 12) % 4000);
        SetTextColor(dc, (seed >> 20) % 5 ? RGB(200, 200, 200) : RGB(240, 200, 60));
        TextOutA(dc, 8 + static_cast<int>((seed >> 4) % 5) * 8, line * LINE_HEIGHT, text, length);
    }
    SelectObject(dc, oldFont);
    FrameSurfaceReleaseDC(&dcPlace, page);
    return true;
}
