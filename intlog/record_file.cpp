#include "record_file.h"

#include "errors.h"
#include "file_names.h"
#include "program_end.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace krv {

namespace {

constexpr std::size_t read_ahead_bytes = 64 * 1024;
constexpr std::int16_t highest_file_number = 511;

std::map<std::int16_t, record_file*>& open_files() {
    static std::map<std::int16_t, record_file*> files;
    // The host shares these files: they are closed however the help ends.
    [[maybe_unused]] static const bool registered = (at_program_end(close_all_files), true);
    return files;
}

} // namespace

record_file::~record_file() {
    close();
}

namespace {

bool is_link(const QByteArray& native) {
    struct stat info;
    return ::lstat(native.constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

// O_NONBLOCK everywhere: opening a FIFO for reading would wait for a writer.
constexpr int common_flags = O_NONBLOCK | O_CLOEXEC;

// Opens for reading only after the read-write open failed with `refused`.
int open_for_reading(const QString& path, const QByteArray& native, int refused) {
    const int fd = ::open(native.constData(), O_RDONLY | common_flags);
    if (fd >= 0)
        return fd;
    const int err = errno;
    if (err == ENOENT && refused == ELOOP)
        throw error(QStringLiteral("Le fichier «\u00a0%1\u00a0» est un lien symbolique vers un "
                                   "fichier absent\u00a0; l’aide ne crée rien à travers un lien.")
                        .arg(path));
    if (err == ENOENT) // missing, and it cannot be created there
        throw file_error(QStringLiteral("de créer"), path, refused);
    throw file_error(QStringLiteral("d’ouvrir"), path, err);
}

} // namespace

void record_file::open(const QString& path, int record_length, std::int16_t file_number) {
    close();
    const QByteArray native = encode_file_name(path);
    // Never written through a link: O_NOFOLLOW refuses one (ELOOP).
    int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | common_flags, 0666);
    record_access access = record_access::read_write;
    if (fd < 0) {
        const int refused = errno;
        if (refused == ELOOP && is_link(native))
            access = record_access::through_link;
        else if (refused == EACCES || refused == EPERM || refused == EROFS)
            access = record_access::read_only;
        else
            throw file_error(QStringLiteral("d’ouvrir"), path, refused);
        fd = open_for_reading(path, native, refused);
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        const int err = errno;
        ::close(fd);
        throw file_error(QStringLiteral("d’ouvrir"), path, err);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        throw error(QStringLiteral("Le fichier «\u00a0%1\u00a0» n’est pas un fichier ordinaire "
                                   "(%2)\u00a0; il n’a été ni lu ni modifié.")
                        .arg(path, file_kind_text(info.st_mode)));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fd_ = fd;
    access_ = access;
    number_ = file_number;
    record_length_ = record_length;
    path_ = path;
    window_.clear();
    window_filled_ = 0;
    open_files()[file_number] = this;
}

std::int64_t record_file::offset_of(std::int32_t n) const {
    if (n < 1)
        throw bad_record_number_error(n);
    return (static_cast<std::int64_t>(n) - 1) * record_length_;
}

void record_file::check_length(std::size_t length) const {
    if (fd_ < 0)
        throw error(QStringLiteral("Le fichier n’est pas ouvert"));
    if (length != static_cast<std::size_t>(record_length_))
        throw error(QStringLiteral("Longueur d’enregistrement incorrecte"));
}

void record_file::read(std::int32_t n, std::span<std::uint8_t> out) {
    const std::int64_t offset = offset_of(n);
    check_length(out.size());
    const auto length = static_cast<std::int64_t>(out.size());
    const bool in_window =
        offset >= window_start_ &&
        offset + length <= window_start_ + static_cast<std::int64_t>(window_.size()) &&
        !window_.empty();
    if (!in_window) {
        window_.assign(std::max<std::size_t>(read_ahead_bytes, out.size()), 0);
        window_start_ = offset;
        window_filled_ = 0;
        while (window_filled_ < window_.size()) {
            const ssize_t got =
                ::pread(fd_, window_.data() + window_filled_, window_.size() - window_filled_,
                        window_start_ + static_cast<std::int64_t>(window_filled_));
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                const int err = errno;
                window_.clear();
                throw file_error(QStringLiteral("de lire"), path_, err);
            }
            if (got == 0)
                break; // end of file: the rest of the window stays zero
            window_filled_ += static_cast<std::size_t>(got);
        }
    }
    std::memcpy(out.data(), window_.data() + (offset - window_start_), out.size());
}

void record_file::write(std::int32_t n, std::span<const std::uint8_t> in) {
    const std::int64_t offset = offset_of(n);
    check_length(in.size());
    if (access_ != record_access::read_write)
        throw error(
            QStringLiteral("Le fichier «\u00a0%1\u00a0» n’est ouvert qu’en lecture").arg(path_));
    std::size_t done = 0;
    while (done < in.size()) {
        const ssize_t put = ::pwrite(fd_, in.data() + done, in.size() - done,
                                     offset + static_cast<std::int64_t>(done));
        if (put < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            window_.clear();
            throw file_error(QStringLiteral("d’écrire dans"), path_, err);
        }
        done += static_cast<std::size_t>(put);
    }
    // Keep the read-ahead true to what is now on disk.
    const std::int64_t window_end = window_start_ + static_cast<std::int64_t>(window_.size());
    if (!window_.empty() && offset < window_end &&
        offset + static_cast<std::int64_t>(in.size()) > window_start_)
        window_.clear();
}

void record_file::close() {
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    window_.clear();
    auto& files = open_files();
    if (auto it = files.find(number_); it != files.end() && it->second == this)
        files.erase(it);
    number_ = 0;
}

std::int16_t free_file_number() {
    const auto& files = open_files();
    for (std::int16_t n = 1; n <= highest_file_number; ++n)
        if (!files.contains(n))
            return n;
    throw error(QStringLiteral("Trop de fichiers ouverts"));
}

void close_all_files() {
    auto& files = open_files();
    while (!files.empty())
        files.begin()->second->close();
}

} // namespace krv
