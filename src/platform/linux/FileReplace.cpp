#include "platform/linux/FileReplace.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace platform {

namespace {

// A new file beside path, opened for writing; its name in temp. -1 with errno when none could be made.
int CreateBeside(const std::string& path, std::string& temp) {
    // Names already taken (another writer's, left by a crash) are passed over this many times.
    constexpr int kAttempts = 4;
    // Without the kernel's randomness: the process id, shifted clear of the attempt's number.
    constexpr int kPidShift = 20;
    // A created file takes the umask's mode, as any new file of the user's would; a replaced one's
    // mode is carried over.
    constexpr mode_t kNewFileMode = 0666;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        uint64_t random = 0;
        if (getrandom(&random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random))
            random ^= static_cast<uint64_t>(getpid()) << kPidShift ^ static_cast<uint64_t>(attempt);
        char suffix[sizeof ".0123456789abcdef"];
        std::snprintf(suffix, sizeof suffix, ".%016llx", static_cast<unsigned long long>(random));
        temp = path + suffix;
        const int fd =
            ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kNewFileMode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Writes all of contents to fd, flushes it to the disk and checks its size; the errno of what failed.
int WriteAll(int fd, std::string_view contents) {
    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return EIO;
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) return errno;
    struct stat written {};
    if (::fstat(fd, &written) != 0) return errno;
    return static_cast<size_t>(written.st_size) == contents.size() ? 0 : EIO;
}

}  // namespace

// QSaveFile does the same steps but neither reports an error of the last write of its buffer nor
// one of fsync, and then renames the short file over the old one: on a full disk that empties it.
int ReplaceFile(const std::string& path, std::string_view contents) {
    std::string temp;
    const int fd = CreateBeside(path, temp);
    if (fd < 0) return errno;
    int error = 0;
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0 &&
        ::fchmod(fd, old.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO | S_ISUID | S_ISGID | S_ISVTX)) != 0)
        error = errno;
    if (error == 0) error = WriteAll(fd, contents);
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return error;
    }
    // The folder too, so that the new name survives a crash. The file is replaced by now whatever
    // this answers.
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

}  // namespace platform
