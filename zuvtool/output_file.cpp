#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// The temporary file of the export under way, for output_discard_from_signal.
char signal_temporary[4096];

std::string folder_of(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool write_all(int fd, const uint8_t* bytes, size_t length) {
    while (length) {
        ssize_t done = write(fd, bytes, length);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        bytes += done;
        length -= static_cast<size_t>(done);
    }
    return true;
}

bool flush(output_file* output) {
    if (output->error) return false;
    if (output->used && !write_all(output->fd, output->buffer, output->used)) {
        output->error = errno ? errno : EIO;
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
            output->error = errno ? errno : EIO;
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
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            output->error = errno ? errno : EIO;
            return 0;
        }
        bytes += done;
        offset += static_cast<uint64_t>(done);
        length -= static_cast<size_t>(done);
    }
    return 1;
}

// A new file gets the permissions the user's umask gives; a replaced one
// keeps its own.
mode_t mode_for(const std::string& destination) {
    struct stat info;
    if (stat(destination.c_str(), &info) == 0) return info.st_mode & 07777;
    mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool output_open(output_file* output, const char* path, std::string* error) {
    *output = output_file{-1, false, path, "", nullptr, 0, 0};
    output->buffer = static_cast<uint8_t*>(std::malloc(OUTPUT_BUFFER_BYTES));
    if (!output->buffer) {
        *error = std::strerror(ENOMEM);
        return false;
    }
    if (output->destination == "-") {
        if (isatty(STDOUT_FILENO)) {
            *error = "standard output is a terminal; redirect it or name a file";
            output_discard(output);
            return false;
        }
        output->to_stdout = true;
        output->fd = STDOUT_FILENO;
        return true;
    }
    struct stat info;
    if (stat(path, &info) == 0 && S_ISDIR(info.st_mode)) {
        *error = "is a directory";
        output_discard(output);
        return false;
    }
    std::string pattern =
        folder_of(output->destination) + "/." + name_of(output->destination) + ".XXXXXX";
    std::string temporary = pattern;
    int fd = mkstemp(&temporary[0]);
    if (fd < 0) {
        *error = std::strerror(errno);
        output_discard(output);
        return false;
    }
    output->fd = fd;
    output->temporary = temporary;
    if (temporary.size() < sizeof signal_temporary)
        std::memcpy(signal_temporary, temporary.c_str(), temporary.size() + 1);
    if (fchmod(fd, mode_for(output->destination)) != 0) output->error = errno;
    return true;
}

ExportSink output_sink(output_file* output) {
    return ExportSink{sink_write, output->to_stdout ? nullptr : sink_rewrite, output};
}

bool output_commit(output_file* output, std::string* error) {
    bool done = flush(output);
    if (done && !output->to_stdout) {
        if (fsync(output->fd) != 0 || close(output->fd) != 0) {
            output->error = errno;
            done = false;
        }
        output->fd = -1;
        if (done && rename(output->temporary.c_str(), output->destination.c_str()) != 0) {
            output->error = errno;
            done = false;
        }
        if (done) {
            output->temporary.clear();
            signal_temporary[0] = 0;
        }
    }
    if (!done) *error = std::strerror(output->error ? output->error : EIO);
    output_discard(output);
    return done;
}

void output_discard(output_file* output) {
    if (output->fd >= 0 && !output->to_stdout) close(output->fd);
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
