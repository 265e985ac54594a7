#include "file_replace.h"

#include "file_names.h"

#include <QRandomGenerator>

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace krv {

namespace {

// Closes a descriptor when it goes.
struct descriptor {
    int fd = -1;
    ~descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Writes all of `bytes`; 0 or the error number.
int write_all(int fd, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return wrote < 0 ? errno : EIO;
        done += wrote;
    }
    return 0;
}

// A new file beside `name`, hidden, with a name of its own; its descriptor, and
// its path in `path`.
int create_beside(const QByteArray& name, mode_t mode, QByteArray& path) {
    const qsizetype slash = name.lastIndexOf('/');
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = name.left(slash + 1) + '.' + name.mid(slash + 1) + '.' +
               QByteArray::number(QRandomGenerator::global()->generate(), 36);
        const int fd =
            ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

name_kind kind_of_name(const QString& path) {
    struct stat info {};
    if (::lstat(encode_file_name(path).constData(), &info) != 0)
        return name_kind::missing;
    if (S_ISLNK(info.st_mode))
        return name_kind::link;
    if (S_ISREG(info.st_mode))
        return name_kind::regular;
    return S_ISDIR(info.st_mode) ? name_kind::folder : name_kind::other;
}

int replace_file(const QString& path, const QByteArray& bytes) {
    const QByteArray name = encode_file_name(path);
    // A file of the user's replaced keeps its permissions; a new one gets the
    // usual ones, less the user's umask (which open applies).
    mode_t mode = 0666;
    bool keep_mode = false;
    struct stat info {};
    if (::lstat(name.constData(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            return EISDIR;
        if (S_ISREG(info.st_mode)) {
            if (::access(name.constData(), W_OK) != 0)
                return errno; // protected against writing: not replaced either
            mode = info.st_mode & 07777;
            keep_mode = true;
        }
    } else if (errno != ENOENT) {
        return errno;
    }
    QByteArray temporary;
    descriptor file{create_beside(name, mode, temporary)};
    if (file.fd < 0)
        return errno;
    int failure = write_all(file.fd, bytes);
    if (failure == 0 && keep_mode && ::fchmod(file.fd, mode) != 0)
        failure = errno;
    if (failure == 0 && ::fsync(file.fd) != 0)
        failure = errno;
    if (failure == 0 && ::close(std::exchange(file.fd, -1)) != 0)
        failure = errno;
    if (failure == 0 && ::rename(temporary.constData(), name.constData()) != 0)
        failure = errno;
    if (failure != 0)
        ::unlink(temporary.constData());
    return failure;
}

} // namespace krv
