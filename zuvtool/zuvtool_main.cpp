// zuvtool: looks into Morvane videos (.zuv) and exports them for sharing, as
// an animated PNG, a GIF, one picture as a PNG, or YUV4MPEG2 for other video
// tools. Messages name the file they are about; see USAGE for exit statuses.
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "export/apng_writer.h"
#include "export/export_pipeline.h"
#include "export/gif_writer.h"
#include "export/png_encoder.h"
#include "export/y4m_writer.h"
#include "interruption.h"
#include "video_cut.h"
#include "output_file.h"
#include "progress_line.h"
#include "video_check.h"
#include "video_input.h"

namespace {

const char USAGE[] =
    "usage: zuvtool COMMAND FILE [OUT] [--frame N]\n"
    "\n"
    "Looks into a Morvane video (.zuv) and exports it for sharing.\n"
    "\n"
    "  info FILE               size, frame rate, records by type, duration, damage\n"
    "  check FILE              exit status 0 only for a sound video\n"
    "  apng FILE OUT           animated PNG, every pixel exact\n"
    "  gif FILE OUT            animated GIF, exact for frames of at most 256 colours\n"
    "  png FILE OUT --frame N  the picture of frame N as a PNG (the first frame is 0)\n"
    "  y4m FILE OUT            YUV4MPEG2 for other video tools, such as ffmpeg\n"
    "  cut FILE OUT [--from T] [--to T] [--trim-still]\n"
    "                          the part from T to T, both kept, as a video;\n"
    "                          T in seconds (2.5: the frame shown then) or a\n"
    "                          frame number (#40); the start and the end by\n"
    "                          default; --trim-still keeps at most one second\n"
    "                          of still picture before the first change and\n"
    "                          after the last one\n"
    "\n"
    "OUT may be - for standard output, except for apng. A regular file named\n"
    "as OUT, or the file a symbolic link there points to, is replaced only once\n"
    "the new file is complete; a FIFO or a device is written in place.\n"
    "\n"
    "Exit status:\n"
    "  0      done\n"
    "  1      failed, a file named as OUT left as it was (check: the video is\n"
    "         not sound; info, check: what they print could not be written)\n"
    "  2      wrong usage\n"
    "  3      the video is damaged; OUT holds the sound part before the damage\n"
    "  128+N  interrupted by signal N, OUT left as it was: 130 Ctrl+C,\n"
    "         143 a termination request, 129 a closed terminal\n";

constexpr int EXIT_DONE = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_DAMAGED = 3;
// Stands for 128 + the interrupting signal's number, worked out in main.
constexpr int EXIT_INTERRUPTED = -1;

enum export_kind { EXPORT_KIND_APNG, EXPORT_KIND_GIF, EXPORT_KIND_PNG, EXPORT_KIND_Y4M };

struct command_line {
    std::string command;
    std::vector<std::string> names;
    bool has_frame = false;
    uint64_t frame = 0;
};

int usage_error(const std::string& message) {
    std::fprintf(stderr, "zuvtool: %s\nTry 'zuvtool --help'.\n", message.c_str());
    return EXIT_USAGE;
}

int fail(const std::string& name, const std::string& message) {
    std::fprintf(stderr, "zuvtool: %s: %s\n", name.c_str(), message.c_str());
    return EXIT_FAILED;
}

bool parse_count(const char* text, uint64_t* value) {
    if (!*text) return false;
    uint64_t result = 0;
    for (const char* p = text; *p; p++) {
        if (*p < '0' || *p > '9') return false;
        unsigned digit = static_cast<unsigned>(*p - '0');
        if (result > (UINT64_MAX - digit) / 10) return false;
        result = result * 10 + digit;
    }
    *value = result;
    return true;
}

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
    char text[512];
    va_list arguments;
    va_start(arguments, pattern);
    std::vsnprintf(text, sizeof text, pattern, arguments);
    va_end(arguments);
    return text;
}

std::string describe_damage(const ExportWalkStats& stats, size_t size) {
    char text[256];
    VideoDamageDescribe(&stats, size, text, sizeof text);
    return text;
}

std::string describe_failure(int status, const ExportWalkStats& stats, size_t size) {
    switch (status) {
    case EXPORT_NOT_VIDEO:
        return VideoHeaderCheck(&stats.header) == VIDEO_HEADER_NOT_VIDEO
                   ? "is no Morvane video (.zuv)"
                   : "is no video: its picture has no size";
    case EXPORT_NO_FRAME_RATE:
        return format("has a frame rate of %u, at which its frames last no time",
                      stats.header.frameRate);
    case EXPORT_NO_FRAMES:
        return stats.damage == VIDEO_SOUND ? "holds no frames"
                                           : "holds no sound frame: " + describe_damage(stats, size);
    case EXPORT_NO_MEMORY:
        return format("not enough memory for its %u x %u pictures", stats.header.width,
                      stats.header.height);
    case EXPORT_CANCELLED:
        return "interrupted";
    case EXPORT_BAD_FRAME:
        if (stats.records == 0) return describe_failure(EXPORT_NO_FRAMES, stats, size);
        return stats.damage == VIDEO_SOUND
                   ? format("has %" PRIu64 " frames, numbered from 0 to %" PRIu64, stats.records,
                            stats.records - 1)
                   : format("has %" PRIu64 " sound frames, numbered from 0 (then it is damaged: %s)",
                            stats.records, describe_damage(stats, size).c_str());
    }
    return "failed";
}

int count_picture(void* context, const ExportFrame*) {
    (*static_cast<uint64_t*>(context))++;
    return 1;
}

// Walks the whole video, as an export would, without writing anything.
int survey(const video_input& input, const std::string& name, ExportWalkStats* stats,
           uint64_t* pictures) {
    progress_line line;
    progress_begin(&line, name);
    *pictures = 0;
    ExportWalkOptions options = {count_picture, pictures, progress_report, &line, 0, false};
    int status = ExportWalkVideo(input.data, input.size, &options, stats);
    progress_end(&line);
    return status;
}

void print_info(const std::string& name, size_t size, const ExportWalkStats& stats,
                uint64_t pictures) {
    const VideoFileHeader& header = stats.header;
    std::printf("file: %s\n", name.c_str());
    std::printf("size: %zu bytes\n", size);
    std::printf("picture: %u x %u", header.width, header.height);
    if (stats.width != header.width || stats.height != header.height)
        std::printf(", of which %u x %u are stored", stats.width, stats.height);
    std::printf("\nframe rate: %u per second\n", header.frameRate);
    std::printf("records: %" PRIu64 "\n", stats.records);
    std::printf("  key: %" PRIu64 "\n", stats.recordsByType[FRAME_KEY]);
    std::printf("  delta: %" PRIu64 "\n", stats.recordsByType[FRAME_DELTA]);
    std::printf("  unchanged: %" PRIu64 "\n", stats.recordsByType[FRAME_UNCHANGED]);
    if (stats.unknownRecords)
        std::printf("  of an unknown type, skipped: %" PRIu64 "\n", stats.unknownRecords);
    if (uint32_t interval = VideoFrameInterval(header.frameRate)) {
        uint64_t ms = stats.records * interval;
        std::printf("duration: %" PRIu64 ".%03" PRIu64 " s\n", ms / 1000, ms % 1000);
    } else {
        std::printf("duration: none, at this frame rate a record lasts no time\n");
    }
    std::printf("different pictures: %" PRIu64 "\n", pictures);
    std::printf("state: %s\n", stats.damage == VIDEO_SOUND
                                   ? "sound"
                                   : ("damaged: " + describe_damage(stats, size)).c_str());
}

int run_info(const std::string& name, bool check_only) {
    video_input input;
    std::string error;
    if (!input_open(&input, name.c_str(), &error)) return fail(name, error);
    ExportWalkStats stats;
    uint64_t pictures = 0;
    int status = survey(input, name, &stats, &pictures);
    size_t size = input.size;
    input_close(&input);
    if (status == EXPORT_CANCELLED) {
        fail(name, "interrupted");
        return EXIT_INTERRUPTED;
    }
    if (status != EXPORT_DONE && status != EXPORT_NO_FRAMES)
        return fail(name, describe_failure(status, stats, size));
    if (!check_only) {
        print_info(name, size, stats, pictures);
        return EXIT_DONE;
    }
    std::string problem;
    if (status == EXPORT_NO_FRAMES && stats.damage == VIDEO_SOUND)
        problem = "holds no frames";
    else if (stats.damage != VIDEO_SOUND)
        problem = "damaged: " + describe_damage(stats, size);
    else if (VideoFrameInterval(stats.header.frameRate) == 0)
        problem = describe_failure(EXPORT_NO_FRAME_RATE, stats, size);
    else if (stats.unknownRecords)
        problem = format("%" PRIu64 " records are of an unknown type", stats.unknownRecords);
    else if (size < VIDEO_MIN_FILE_SIZE)
        problem = format("is shorter than the %u bytes a video needs to be played",
                         VIDEO_MIN_FILE_SIZE);
    if (!problem.empty()) return fail(name, problem);
    std::printf("%s: sound\n", name.c_str());
    return EXIT_DONE;
}

int export_as(export_kind kind, const video_input& input, const ExportSink& sink,
              uint64_t frame, progress_line* line, ExportWalkStats* stats, GifExportStats* gif) {
    switch (kind) {
    case EXPORT_KIND_APNG:
        return ExportApng(input.data, input.size, &sink, progress_report, line, stats);
    case EXPORT_KIND_GIF:
        return ExportGif(input.data, input.size, &sink, progress_report, line, stats, gif);
    case EXPORT_KIND_PNG:
        return ExportPngFrame(input.data, input.size, &sink, frame, progress_report, line, stats);
    case EXPORT_KIND_Y4M:
        return ExportY4m(input.data, input.size, &sink, progress_report, line, stats);
    }
    return EXPORT_WRITE_FAILED;
}

int run_export(export_kind kind, const std::string& name, const std::string& out,
               uint64_t frame) {
    if (kind == EXPORT_KIND_APNG && out == "-")
        return usage_error("an animated PNG cannot go to standard output: its frame count is "
                           "written last; name a file");
    video_input input;
    std::string error;
    if (!input_open(&input, name.c_str(), &error)) return fail(name, error);
    if (out == "-" ? input_is_descriptor(&input, STDOUT_FILENO)
                   : input_is_file(&input, out.c_str())) {
        input_close(&input);
        return fail(out == "-" ? "standard output" : out, "is the video itself; name another file");
    }
    output_file output;
    if (!output_open(&output, out.c_str(), kind == EXPORT_KIND_APNG, &error)) {
        input_close(&input);
        return fail(out, error);
    }
    progress_line line;
    progress_begin(&line, name);
    ExportWalkStats stats;
    GifExportStats gif = {};
    int status = export_as(kind, input, output_sink(&output), frame, &line, &stats, &gif);
    progress_end(&line);
    size_t size = input.size;
    input_close(&input);
    if (status == EXPORT_WRITE_FAILED && interruption_signal()) status = EXPORT_CANCELLED;
    if (status != EXPORT_DONE) {
        std::string why = output.error ? std::strerror(output.error) : "the write failed";
        output_discard(&output);
        if (status == EXPORT_WRITE_FAILED) return fail(out, why);
        fail(name, describe_failure(status, stats, size));
        return status == EXPORT_CANCELLED ? EXIT_INTERRUPTED : EXIT_FAILED;
    }
    if (!output_commit(&output, &error)) {
        if (!interruption_signal()) return fail(out, error);
        fail(name, "interrupted");
        return EXIT_INTERRUPTED;
    }
    if (kind == EXPORT_KIND_GIF && gif.framesQuantized)
        std::fprintf(stderr,
                     "zuvtool: %s: %" PRIu64 " of %" PRIu64
                     " frames had more than 256 colours, reduced to a table of 256 "
                     "(peak signal to noise ratio %.1f dB)\n",
                     out.c_str(), gif.framesQuantized, gif.framesQuantized + gif.framesExact,
                     GifPeakSignalToNoise(&gif));
    if (stats.unknownRecords)
        std::fprintf(stderr, "zuvtool: %s: %" PRIu64 " records are of an unknown type, skipped: "
                             "they change no picture\n", name.c_str(), stats.unknownRecords);
    if (stats.damage != VIDEO_SOUND && kind != EXPORT_KIND_PNG) {
        std::fprintf(stderr, "zuvtool: %s: damaged: %s; %s holds the %" PRIu64
                             " records before it\n",
                     name.c_str(), describe_damage(stats, size).c_str(), out.c_str(),
                     stats.records);
        return EXIT_DAMAGED;
    }
    return EXIT_DONE;
}

// One end of a cut as given: a frame number, or a time in milliseconds.
struct cut_end {
    bool given = false;
    bool is_frame = false;
    uint64_t value = 0;
};

// "#N", or seconds with up to three decimals that count ("2", "2.5", ".25");
// further decimals cannot change the frame shown, which starts on a whole
// millisecond.
bool parse_cut_end(const char* text, cut_end* end) {
    end->given = true;
    if (text[0] == '#') {
        end->is_frame = true;
        return parse_count(text + 1, &end->value);
    }
    std::string whole = text, fraction;
    size_t point = whole.find('.');
    if (point != std::string::npos) {
        fraction = whole.substr(point + 1);
        whole.erase(point);
        if (whole.empty() && fraction.empty()) return false;
        if (whole.empty()) whole = "0";
        if (fraction.find_first_not_of("0123456789") != std::string::npos) return false;
    }
    uint64_t seconds = 0;
    if (!parse_count(whole.c_str(), &seconds) || seconds > UINT64_MAX / 1000 - 1) return false;
    fraction = (fraction + "000").substr(0, 3);
    end->value = seconds * 1000 + std::strtoull(fraction.c_str(), nullptr, 10);
    return true;
}

uint64_t cut_record(const cut_end& end, uint32_t interval, uint64_t otherwise) {
    if (!end.given) return otherwise;
    return end.is_frame ? end.value : VideoRecordAtTime(end.value, interval);
}

std::string describe_cut_failure(int status, const ExportWalkStats& stats, size_t size) {
    static const int AS_EXPORT[] = {EXPORT_DONE,     EXPORT_NOT_VIDEO, EXPORT_NO_FRAME_RATE,
                                    EXPORT_NO_FRAMES, EXPORT_BAD_FRAME, EXPORT_NO_MEMORY,
                                    EXPORT_CANCELLED, EXPORT_WRITE_FAILED, EXPORT_READ_FAILED};
    return describe_failure(AS_EXPORT[status], stats, size);
}

std::string seconds_text(uint64_t records, uint32_t interval) {
    uint64_t ms = records * interval;
    return format("%" PRIu64 ".%03" PRIu64 " s", ms / 1000, ms % 1000);
}

struct cut_line {
    std::vector<std::string> names;
    cut_end from, to;
    bool trim_still = false;
};

bool parse_cut(int argc, char** argv, int command, cut_line* line, std::string* error) {
    bool options_ended = false;
    for (int i = 1; i < argc; i++) {
        std::string argument = argv[i];
        if (i == command) continue;
        if (options_ended) {
            line->names.push_back(argument);
            continue;
        }
        if (argument == "--") {
            options_ended = true;
            continue;
        }
        if (argument == "--trim-still") {
            line->trim_still = true;
            continue;
        }
        bool from = argument == "--from" || argument.rfind("--from=", 0) == 0;
        bool to = argument == "--to" || argument.rfind("--to=", 0) == 0;
        if (from || to) {
            size_t equals = argument.find('=');
            const char* value = equals == std::string::npos ? (i + 1 < argc ? argv[++i] : "")
                                                            : argv[i] + equals + 1;
            if (!parse_cut_end(value, from ? &line->from : &line->to)) {
                *error = std::string(from ? "--from" : "--to") +
                         " needs seconds (2.5) or a frame number (#40)";
                return false;
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            *error = "unknown option '" + argument + "'";
            return false;
        } else {
            line->names.push_back(argument);
        }
    }
    if (line->names.size() != 2) *error = "cut takes FILE and OUT";
    else if (line->trim_still && (line->from.given || line->to.given))
        *error = "--trim-still finds both ends itself; give it without --from and --to";
    return error->empty();
}

int run_cut(int argc, char** argv, int command) {
    cut_line line;
    std::string error;
    if (!parse_cut(argc, argv, command, &line, &error)) return usage_error(error);
    const std::string &name = line.names[0], &out = line.names[1];
    video_input input;
    if (!input_open(&input, name.c_str(), &error)) return fail(name, error);
    if (out != "-" && input_is_file(&input, out.c_str())) {
        input_close(&input);
        return fail(out, "is the video itself; name another file");
    }
    VideoFileHeader header = VideoFileHeaderLoad(input.data, input.size);
    uint32_t interval = VideoFrameInterval(header.frameRate);
    VideoCutOptions options = {cut_record(line.from, interval, 0),
                               cut_record(line.to, interval, VIDEO_CUT_TO_END), nullptr, nullptr,
                               progress_report, nullptr};
    if (options.first > options.last) {
        input_close(&input);
        return usage_error(format("--from (frame %" PRIu64 ") comes after --to (frame %" PRIu64
                                  ")",
                                  options.first, options.last));
    }
    progress_line progress;
    progress_begin(&progress, name);
    options.progressContext = &progress;
    ExportWalkStats stats = {};
    int status = VIDEO_CUT_DONE;
    if (line.trim_still)
        status = VideoFindStillEnds(input.data, input.size, progress_report, &progress,
                                    &options.first, &options.last, &stats);
    output_file output = {};
    bool opened = status == VIDEO_CUT_DONE && output_open(&output, out.c_str(), false, &error);
    if (opened) {
        ExportSink sink = output_sink(&output);
        options.write = sink.write;
        options.writeContext = sink.context;
        status = VideoCut(input.data, input.size, &options, &stats);
        if (status == VIDEO_CUT_WRITE_FAILED && interruption_signal()) status = VIDEO_CUT_CANCELLED;
    }
    progress_end(&progress);
    size_t size = input.size;
    input_close(&input);
    if (status == VIDEO_CUT_DONE && !opened) return fail(out, error);
    if (status != VIDEO_CUT_DONE) {
        std::string why = output.error ? std::strerror(output.error) : "the write failed";
        if (opened) output_discard(&output);
        if (status == VIDEO_CUT_WRITE_FAILED) return fail(out, why);
        fail(name, describe_cut_failure(status, stats, size));
        return status == VIDEO_CUT_CANCELLED ? EXIT_INTERRUPTED : EXIT_FAILED;
    }
    if (!output_commit(&output, &error)) {
        if (!interruption_signal()) return fail(out, error);
        fail(name, "interrupted");
        return EXIT_INTERRUPTED;
    }
    uint64_t last = stats.records - 1;
    if (out != "-")
        std::printf("%s: frames %" PRIu64 " to %" PRIu64 " of %s, %s long\n", out.c_str(),
                    options.first, last, name.c_str(),
                    seconds_text(last - options.first + 1, interval).c_str());
    if (stats.damage != VIDEO_SOUND) {
        std::fprintf(stderr, "zuvtool: %s: damaged: %s; %s ends with frame %" PRIu64
                             ", the last before it\n",
                     name.c_str(), describe_damage(stats, size).c_str(), out.c_str(), last);
        return EXIT_DAMAGED;
    }
    return EXIT_DONE;
}

bool parse(int argc, char** argv, command_line* line, std::string* error) {
    bool options = true;  // until "--", after which every argument is a name
    for (int i = 1; i < argc; i++) {
        std::string argument = argv[i];
        if (options && argument == "--") {
            options = false;
        } else if (options && (argument == "--frame" || argument.rfind("--frame=", 0) == 0)) {
            const char* value = argument == "--frame" ? (i + 1 < argc ? argv[++i] : "")
                                                      : argv[i] + std::strlen("--frame=");
            if (!parse_count(value, &line->frame)) {
                *error = "--frame needs a frame number (0 for the first)";
                return false;
            }
            line->has_frame = true;
        } else if (options && argument.size() > 1 && argument[0] == '-' && argument != "-") {
            *error = "unknown option '" + argument + "'";
            return false;
        } else if (line->command.empty()) {
            line->command = argument;
        } else {
            line->names.push_back(argument);
        }
    }
    return true;
}

// What info, check and --help printed is lost when standard output cannot
// take it (a full disk, a closed descriptor): an error like any other.
int finish(int status) {
    std::string error;
    if (!output_flush_stdout(&error)) {
        fail("standard output", error);
        if (status == EXIT_DONE) status = EXIT_FAILED;
    }
    return status == EXIT_INTERRUPTED ? interruption_status() : status;
}

int run(const command_line& line) {
    const std::string& command = line.command;
    size_t wanted = command == "info" || command == "check" ? 1 : 2;
    export_kind kind = EXPORT_KIND_APNG;
    if (command == "gif") kind = EXPORT_KIND_GIF;
    else if (command == "png") kind = EXPORT_KIND_PNG;
    else if (command == "y4m") kind = EXPORT_KIND_Y4M;
    else if (command != "apng" && wanted == 2)
        return usage_error("unknown command '" + command + "'");
    if (line.names.size() != wanted)
        return usage_error(command + (wanted == 1 ? " takes one FILE" : " takes FILE and OUT"));
    if (line.has_frame != (kind == EXPORT_KIND_PNG && wanted == 2))
        return usage_error(line.has_frame ? "--frame belongs to png only"
                                          : "png needs --frame N");
    if (wanted == 1) return run_info(line.names[0], command == "check");
    return run_export(kind, line.names[0], line.names[1], line.frame);
}

}  // namespace

int main(int argc, char** argv) {
    output_reserve_standard_streams();
    for (int i = 1; i < argc && std::strcmp(argv[i], "--"); i++) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            std::fputs(USAGE, stdout);
            return finish(EXIT_DONE);
        }
    }
    if (argc < 2) {
        std::fputs(USAGE, stderr);
        return EXIT_USAGE;
    }
    for (int i = 1; i < argc && std::strcmp(argv[i], "--"); i++) {
        if (argv[i][0] == '-' && argv[i][1]) {
            if (!std::strcmp(argv[i], "--from") || !std::strcmp(argv[i], "--to")) i++;
            continue;
        }
        if (std::strcmp(argv[i], "cut")) break;
        interruption_install();
        return finish(run_cut(argc, argv, i));
    }
    command_line line;
    std::string error;
    if (!parse(argc, argv, &line, &error)) return usage_error(error);
    if (line.command.empty()) return usage_error("no command given");
    interruption_install();
    return finish(run(line));
}
