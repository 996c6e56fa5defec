#include "platform/linux/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>
#include <vector>

namespace platform {

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int WriteAll(int fd, const std::string& contents) {
    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + done, contents.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

// Flushes a folder's entries, so that a rename in it survives a crash. Not every file system can
// flush a folder; the rename has happened either way, so a failure here is not reported.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

}  // namespace

int MakeFolders(const std::string& path, mode_t mode) {
    if (path.empty()) return ENOENT;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        const std::string prefix = path.substr(0, pos);
        if (prefix.empty() || prefix == "/") continue;
        if (::mkdir(prefix.c_str(), mode) == 0) continue;
        const int err = errno;
        struct stat st {};
        if (::stat(prefix.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return ENOTDIR;
            continue;
        }
        return err;
    }
    return 0;
}

int WriteFileAtomically(const std::string& path, const std::string& contents, mode_t mode) {
    const std::string folder = FolderOf(path);
    // A dot name that does not end like the target, so that nothing reading the folder takes it for
    // a finished file.
    const std::string base = BaseName(path);
    std::string temp = folder + (base.size() + 9 <= NAME_MAX ? "/." + base + ".XXXXXX" : "/.tmp-XXXXXX");
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return errno;
    temp.assign(name.data());

    int err = 0;
    if (::fchmod(fd, mode) != 0) err = errno;
    if (err == 0) err = WriteAll(fd, contents);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());
        return err;
    }
    SyncFolder(folder);
    return 0;
}

int ReadWholeFile(const std::string& path, std::string& contents, size_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return err;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            return err;
        }
        if (n == 0) break;
        if (text.size() + static_cast<size_t>(n) > maxBytes) {
            ::close(fd);
            return EFBIG;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    contents = std::move(text);
    return 0;
}

}  // namespace platform
