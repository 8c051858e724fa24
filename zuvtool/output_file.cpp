#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "interruption.h"

namespace {

// As many links as the kernel follows in one name.
constexpr int MAX_LINKS = 40;

// The named temporary file of the export under way, for
// output_discard_from_signal.
char signal_temporary[4096];

std::string folder_of(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void remember_temporary(const std::string& temporary) {
    signal_temporary[0] = 0;
    if (temporary.size() < sizeof signal_temporary)
        std::memcpy(signal_temporary, temporary.c_str(), temporary.size() + 1);
}

// A write that stops at an interrupting signal: blocked on a stalled reader,
// it returns with EINTR since the handler does not restart it.
bool write_all(int fd, const uint8_t* bytes, size_t length) {
    while (length) {
        if (interruption_signal()) {
            errno = EINTR;
            return false;
        }
        ssize_t done = write(fd, bytes, length);
        if (done < 0 && errno == EINTR) continue;
        if (done == 0) errno = EIO;
        if (done <= 0) return false;
        bytes += done;
        length -= static_cast<size_t>(done);
    }
    return true;
}

bool flush(output_file* output) {
    if (output->error) return false;
    if (output->used && !write_all(output->fd, output->buffer, output->used)) {
        output->error = errno;
        return false;
    }
    output->used = 0;
    return true;
}

int sink_write(void* context, const uint8_t* bytes, size_t length) {
    output_file* output = static_cast<output_file*>(context);
    if (output->error) return 0;
    if (output->used + length > OUTPUT_BUFFER_BYTES) {
        if (!flush(output)) return 0;
        if (length > OUTPUT_BUFFER_BYTES) {
            if (write_all(output->fd, bytes, length)) return 1;
            output->error = errno;
            return 0;
        }
    }
    std::memcpy(output->buffer + output->used, bytes, length);
    output->used += length;
    return 1;
}

int sink_rewrite(void* context, uint64_t offset, const uint8_t* bytes, size_t length) {
    output_file* output = static_cast<output_file*>(context);
    if (!flush(output)) return 0;
    while (length) {
        ssize_t done = pwrite(output->fd, bytes, length, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR && !interruption_signal()) continue;
        if (done <= 0) {
            output->error = done == 0 ? EIO : errno;
            return 0;
        }
        bytes += done;
        offset += static_cast<uint64_t>(done);
        length -= static_cast<size_t>(done);
    }
    return 1;
}

// Follows symbolic links from path to the name that is not one: a file, a
// name that does not exist yet (exists false), or another kind of file.
bool resolve_links(const std::string& path, std::string* resolved, struct stat* info,
                   bool* exists, int* error) {
    std::string name = path;
    for (int hops = 0; hops <= MAX_LINKS; hops++) {
        if (lstat(name.c_str(), info) != 0) {
            if (errno != ENOENT) break;
            *resolved = name;
            *exists = false;
            return true;
        }
        if (!S_ISLNK(info->st_mode)) {
            *resolved = name;
            *exists = true;
            return true;
        }
        char target[4096];
        ssize_t length = readlink(name.c_str(), target, sizeof target);
        if (length <= 0) {
            if (length == 0) errno = ENOENT;
            break;
        }
        if (static_cast<size_t>(length) >= sizeof target) {
            errno = ENAMETOOLONG;
            break;
        }
        std::string next(target, static_cast<size_t>(length));
        name = next[0] == '/' ? next : folder_of(name) + "/" + next;
    }
    *error = errno ? errno : ELOOP;
    return false;
}

// The new file takes the mode, owner and group of the one it replaces, where
// the process may set them; a new name gets what the user's umask gives.
int copy_attributes(int fd, const struct stat* old) {
    if (!old) {
        mode_t mask = umask(0);
        umask(mask);
        return fchmod(fd, 0666 & ~mask) == 0 ? 0 : errno;
    }
    if (fchown(fd, old->st_uid, old->st_gid) != 0) {
        int ignored = fchown(fd, static_cast<uid_t>(-1), old->st_gid);
        (void)ignored;
    }
    return fchmod(fd, old->st_mode & 07777) == 0 ? 0 : errno;
}

bool open_replaced(output_file* output, const struct stat* old, std::string* error) {
    std::string folder = folder_of(output->destination);
    int fd = -1;
    // An unnamed file can be given a name only through /proc/self/fd.
    if (access("/proc/self/fd", X_OK) == 0)
        fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0) {
        // A short name, so that it fits wherever the destination's name does.
        output->temporary = folder + "/.zuvtool.XXXXXX";
        fd = mkstemp(&output->temporary[0]);
        if (fd < 0) {
            *error = std::strerror(errno);
            output->temporary.clear();
            return false;
        }
        remember_temporary(output->temporary);
    }
    output->fd = fd;
    output->seekable = true;
    output->error = copy_attributes(fd, old);
    return true;
}

bool open_in_place(output_file* output, const struct stat& info, bool must_go_back,
                   std::string* error) {
    const char* refusal = "cannot take an animated PNG: its frame count is written last; name "
                          "a regular file";
    if (must_go_back && (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))) {
        *error = refusal;
        return false;
    }
    int fd;
    do {
        // A FIFO's open waits for a reader, as a shell's redirection does.
        fd = open(output->destination.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR && !interruption_signal());
    if (fd < 0) {
        *error = std::strerror(errno);
        return false;
    }
    output->fd = fd;
    output->kind = OUTPUT_IN_PLACE;
    output->seekable = lseek(fd, 0, SEEK_CUR) >= 0;
    if (must_go_back && !output->seekable) {
        *error = refusal;
        return false;
    }
    return true;
}

// Gives the unnamed file a name in its folder, unused so far.
bool link_unnamed(output_file* output) {
    std::string folder = folder_of(output->destination);
    char from[64];
    std::snprintf(from, sizeof from, "/proc/self/fd/%d", output->fd);
    for (int attempt = 0; attempt < 100; attempt++) {
        char name[64];
        std::snprintf(name, sizeof name, "/.zuvtool.%ld.%d", static_cast<long>(getpid()),
                      attempt);
        std::string temporary = folder + name;
        if (linkat(AT_FDCWD, from, AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            output->temporary = temporary;
            remember_temporary(temporary);
            return true;
        }
        if (errno != EEXIST) break;
    }
    output->error = errno;
    return false;
}

// The steps that end an export with a replaced file; the first failure stops.
bool give_name(output_file* output) {
    if (fsync(output->fd) != 0) {
        output->error = errno;
        return false;
    }
    if (output->temporary.empty() && !interruption_signal() && !link_unnamed(output))
        return false;
    // A signal during the last flush aborts the export as one earlier would.
    if (interruption_signal()) {
        output->error = EINTR;
        return false;
    }
    if (rename(output->temporary.c_str(), output->destination.c_str()) != 0) {
        output->error = errno;
        return false;
    }
    output->temporary.clear();
    signal_temporary[0] = 0;
    return true;
}

}  // namespace

void output_reserve_standard_streams() {
    for (int fd = 0; fd <= 2; fd++) {
        if (fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        int spare = open("/dev/null", O_RDONLY);
        if (spare >= 0 && spare != fd) close(spare);
    }
}

bool output_open(output_file* output, const char* path, bool must_go_back,
                 std::string* error) {
    *output = output_file{-1, OUTPUT_REPLACED, false, path, "", nullptr, 0, 0};
    output->buffer = static_cast<uint8_t*>(std::malloc(OUTPUT_BUFFER_BYTES));
    if (!output->buffer) {
        *error = std::strerror(ENOMEM);
        return false;
    }
    bool opened = false;
    if (output->destination == "-") {
        if (isatty(STDOUT_FILENO)) {
            *error = "standard output is a terminal; redirect it or name a file";
        } else {
            output->kind = OUTPUT_STDOUT;
            output->fd = STDOUT_FILENO;
            opened = true;
        }
    } else {
        struct stat info;
        bool exists = false;
        int failure = 0;
        if (!resolve_links(output->destination, &output->destination, &info, &exists,
                           &failure))
            *error = std::strerror(failure);
        else if (exists && S_ISDIR(info.st_mode))
            *error = "is a directory";
        else if (!exists || S_ISREG(info.st_mode))
            opened = open_replaced(output, exists ? &info : nullptr, error);
        else
            opened = open_in_place(output, info, must_go_back, error);
    }
    if (!opened) output_discard(output);
    return opened;
}

ExportSink output_sink(output_file* output) {
    return ExportSink{sink_write, output->seekable ? sink_rewrite : nullptr, output};
}

bool output_commit(output_file* output, std::string* error) {
    bool done = flush(output);
    if (done && output->kind == OUTPUT_REPLACED) done = give_name(output);
    if (done && output->kind == OUTPUT_IN_PLACE) {
        int fd = output->fd;
        output->fd = -1;
        if (close(fd) != 0) {
            output->error = errno;
            done = false;
        }
    }
    if (!done) *error = std::strerror(output->error ? output->error : EIO);
    output_discard(output);
    return done;
}

void output_discard(output_file* output) {
    if (output->fd >= 0 && output->kind != OUTPUT_STDOUT) close(output->fd);
    if (!output->temporary.empty()) unlink(output->temporary.c_str());
    signal_temporary[0] = 0;
    std::free(output->buffer);
    output->buffer = nullptr;
    output->temporary.clear();
    output->fd = -1;
}

void output_discard_from_signal() {
    if (signal_temporary[0]) unlink(signal_temporary);
}

bool output_flush_stdout(std::string* error) {
    errno = 0;
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
    *error = std::strerror(errno ? errno : EIO);
    return false;
}
