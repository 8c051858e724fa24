// Measures the playback thread under Wine (scripts/measure/measure_playback.sh):
//  - the share of one processor the whole process uses while an unchanging
//    video plays at 15 frames per second into a window;
//  - for each corpus sequence, recorded into a video in memory as the
//    recording thread would, the median time to decode one frame alone and
//    to decode and display it, with frames back to back (a stored rate
//    above 1000 gives an interval of 0). Each video's last decoded picture is
//    checked against its last captured frame before anything is timed.
//
//   measure_playback CORPUS_DIR NAME...   (NAME.txt and the unpacked NAME.bgrx)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine.h"
#include "measure_support_win.h"
#include "test_pictures.h"
#include "video_reader.h"
#include "video_writer.h"

namespace {

const uint16_t BACK_TO_BACK_RATE = 2000;
const int PLAY_REPEATS = 3;

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

HWND OpenWindow(int clientWidth, int clientHeight) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "morvane_measure_playback";
    RegisterClassA(&windowClass);
    HWND window =
        CreateWindowExA(0, "morvane_measure_playback", "", WS_POPUP | WS_VISIBLE, 0, 0, clientWidth,
                        clientHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(window);
    return window;
}

// Handles the window's messages until playback has ended, sleeping between.
void WaitForEnd() {
    while (EngineQuery(ENGINE_QUERY_PLAYING)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
}

struct Recorder {
    std::vector<uint8_t> video;
    FrameSurface current, previous;
    std::vector<uint8_t> work;
};

bool RecorderBegin(Recorder* recorder, uint32_t width, uint32_t height, uint16_t rate) {
    recorder->video =
        VideoHeaderBytes(static_cast<uint16_t>(width), static_cast<uint16_t>(height), rate);
    if (!FrameSurfaceCreate(width, height, &recorder->current) ||
        !FrameSurfaceCreate(width, height, &recorder->previous))
        return false;
    FrameSurface* surfaces[2] = {&recorder->current, &recorder->previous};
    for (FrameSurface* surface : surfaces) {
        FrameSurfaceLock(surface);
        FrameSurfaceFill(surface, 0, 0, surface->width - 1, surface->height - 1, 0);
        FrameSurfaceUnlock(surface);
    }
    recorder->work.resize(RecordWorkSize(width, height));
    return true;
}

bool RecorderAdd(Recorder* recorder, const uint32_t* picture, uint32_t frameIndex) {
    FrameSurface* current = &recorder->current;
    uint32_t* pixels = FrameSurfaceLock(current);
    if (picture)
        for (int32_t y = 0; y < current->height; y++)
            memcpy(pixels + static_cast<size_t>(y) * current->stride,
                   picture + static_cast<size_t>(y) * current->width, current->width * 4u);
    FrameSurfaceUnlock(current);
    return AppendRecord(&recorder->video, current, &recorder->previous, frameIndex,
                        &recorder->work);
}

void RecorderEnd(Recorder* recorder) {
    FrameSurfaceDestroy(&recorder->current);
    FrameSurfaceDestroy(&recorder->previous);
}

void MeasureCpuShare() {
    const int width = 640, height = 480, seconds = 10;
    const uint16_t rate = 15;
    Recorder recorder;
    if (!RecorderBegin(&recorder, width, height, rate)) return;
    FrameSurfaceLock(&recorder.current);
    DrawLetterF(&recorder.current, 40, 30, 40);
    FrameSurfaceUnlock(&recorder.current);
    for (uint32_t frame = 0; frame < static_cast<uint32_t>(rate * seconds); frame++)
        RecorderAdd(&recorder, nullptr, frame);
    RecorderEnd(&recorder);

    HWND window = OpenWindow(width, height + 24);
    double cpuBefore = ProcessCpuSeconds(), wallBefore = Now();
    if (!EngineStartPlayback(reinterpret_cast<const char*>(recorder.video.data()), window, 1,
                             recorder.video.size(), 24)) {
        printf("cpu: playback did not start\n");
        return;
    }
    WaitForEnd();
    double cpu = ProcessCpuSeconds() - cpuBefore, wall = Now() - wallBefore;
    printf(
        "cpu: unchanging %dx%d video at %u fps, %u frames: %.2f s played (%.2f s expected), "
        "process CPU %.3f s = %.1f%% of one processor\n",
        width, height, rate, rate * seconds, wall, rate * seconds * (1000 / rate) / 1000.0, cpu,
        100.0 * cpu / wall);
    DestroyWindow(window);
}

bool LoadSequence(const std::string& dir, const std::string& name, uint32_t* width,
                  uint32_t* height, uint32_t* frames, std::vector<uint32_t>* pixels) {
    FILE* text = fopen((dir + "/" + name + ".txt").c_str(), "r");
    if (!text) return false;
    char line[256];
    *width = *height = *frames = 0;
    while (fgets(line, sizeof line, text)) {
        unsigned value;
        if (sscanf(line, "width=%u", &value) == 1) *width = value;
        if (sscanf(line, "height=%u", &value) == 1) *height = value;
        if (sscanf(line, "frames=%u", &value) == 1) *frames = value;
    }
    fclose(text);
    if (!*width || !*height || !*frames || *width > FRAME_SURFACE_MAX_SIDE ||
        *height > FRAME_SURFACE_MAX_SIDE)
        return false;
    pixels->resize(static_cast<size_t>(*width) * *height * *frames);
    FILE* raw = fopen((dir + "/" + name + ".bgrx").c_str(), "rb");
    if (!raw) return false;
    size_t read = fread(pixels->data(), 4, pixels->size(), raw);
    fclose(raw);
    return read == pixels->size();
}

// Decodes the whole video onto surface; per-frame seconds go to times.
bool DecodeAll(const std::vector<uint8_t>& video, FrameSurface* surface, std::vector<uint8_t>* work,
               std::vector<double>* times) {
    VideoReader reader;
    if (!VideoReaderOpen(&reader, video.data(), video.size())) return false;
    VideoRecord record;
    while (VideoReaderNext(&reader, &record)) {
        double start = Now();
        VideoRecordApply(&record, surface, work->data(), work->size());
        if (times) times->push_back(Now() - start);
    }
    return true;
}

void MeasureSequence(const std::string& dir, const std::string& name) {
    uint32_t width, height, frames;
    std::vector<uint32_t> pixels;
    if (!LoadSequence(dir, name, &width, &height, &frames, &pixels)) {
        printf("%s: cannot read %s/%s.txt and .bgrx\n", name.c_str(), dir.c_str(), name.c_str());
        return;
    }
    Recorder recorder;
    if (!RecorderBegin(&recorder, width, height, BACK_TO_BACK_RATE)) return;
    size_t framePixels = static_cast<size_t>(width) * height;
    for (uint32_t frame = 0; frame < frames; frame++)
        RecorderAdd(&recorder, pixels.data() + frame * framePixels, frame);
    RecorderEnd(&recorder);

    FrameSurface surface;
    FrameSurfaceCreate(width, height, &surface);
    FrameSurfaceLock(&surface);
    FrameSurfaceFill(&surface, 0, 0, surface.width - 1, surface.height - 1, 0);
    FrameSurfaceUnlock(&surface);
    std::vector<uint8_t> work(FrameBufferSize(width, height, 5));
    DecodeAll(recorder.video, &surface, &work, nullptr);
    const uint32_t* last = pixels.data() + (frames - 1) * framePixels;
    uint32_t* decoded = FrameSurfaceLock(&surface);
    size_t wrong = 0;
    for (uint32_t y = 0; y < height; y++)
        for (uint32_t x = 0; x < width; x++)
            if ((decoded[y * surface.stride + x] ^ last[y * width + x]) & 0xFFFFFF) wrong++;
    FrameSurfaceUnlock(&surface);
    if (wrong) {
        printf("%s: the decoded video differs from the capture in %zu pixels\n", name.c_str(),
               wrong);
        return;
    }
    std::vector<double> decodeTimes;
    for (int repeat = 0; repeat < PLAY_REPEATS; repeat++)
        DecodeAll(recorder.video, &surface, &work, &decodeTimes);
    FrameSurfaceDestroy(&surface);

    // The frame goes to the window unscaled when the screen holds it.
    HWND window = OpenWindow(static_cast<int>(width), static_cast<int>(height));
    RECT client;
    GetClientRect(window, &client);
    bool unscaled = width <= static_cast<uint32_t>(client.right + 1) &&
                    height <= static_cast<uint32_t>(client.bottom + 1);
    std::vector<double> frameTimes;
    double playedSeconds = 0;
    uint32_t playedFrames = 0;
    for (int repeat = 0; repeat < PLAY_REPEATS; repeat++) {
        if (!EngineStartPlayback(reinterpret_cast<const char*>(recorder.video.data()), window, 1,
                                 recorder.video.size(), 0))
            continue;
        // The count goes up after each frame's decoding, display and wait.
        uint32_t seen = EngineQuery(ENGINE_QUERY_FRAME_COUNT);
        double since = Now(), begin = since;
        while (EngineQuery(ENGINE_QUERY_PLAYING)) {
            uint32_t count = EngineQuery(ENGINE_QUERY_FRAME_COUNT);
            if (count != seen) {
                double now = Now();
                if (count == seen + 1 && seen > 0) frameTimes.push_back(now - since);
                seen = count;
                since = now;
            }
            Sleep(0);
        }
        playedSeconds += Now() - begin;
        playedFrames += frames;
        EngineStop();
    }
    DestroyWindow(window);
    printf(
        "%s: %ux%u, %u frames, video %zu bytes; median per frame: decode %.2f ms, "
        "decode and display %s %.2f ms (%zu samples); mean over whole plays %.2f ms\n",
        name.c_str(), width, height, frames, recorder.video.size(), 1000 * Median(decodeTimes),
        unscaled ? "unscaled" : "stretched", 1000 * Median(frameTimes), frameTimes.size(),
        playedFrames ? 1000 * playedSeconds / playedFrames : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
    EngineInit();
    MeasureCpuShare();
    for (int i = 2; i < argc; i++) MeasureSequence(argv[1], argv[i]);
    return 0;
}
