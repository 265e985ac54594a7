// Random-access files of fixed-length records, opened shared for reading and
// writing without any lock, as the host application opens the same file. Only a
// regular file that is not a symbolic link is ever written; a file the user may
// only read, or a link, is read.
#pragma once

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace krv {

/// What an open record file allows.
enum class record_access {
    read_write,   ///< a regular file, not a link: read and written
    read_only,    ///< the user may not write it (permission, read-only medium)
    through_link, ///< a symbolic link: its target is read, never written
};

class record_file {
public:
    record_file() = default;
    ~record_file();
    record_file(const record_file&) = delete;
    record_file& operator=(const record_file&) = delete;

    /// Opens (creating it empty when missing) under a file number of the program:
    /// for reading and writing when it is a regular file that is not a link, else
    /// for reading only (see access()). Never blocks. Throws file_error (or error)
    /// when the file cannot be opened or is not a regular file.
    void open(const QString& path, int record_length, std::int16_t file_number);
    /// Fills `out` (one record long) with record n; bytes beyond the end read as zero.
    void read(std::int32_t n, std::span<std::uint8_t> out);
    /// Writes record n whole, extending the file when n lies beyond its end.
    /// Throws error when the file was opened for reading only.
    void write(std::int32_t n, std::span<const std::uint8_t> in);
    /// Closes the file; does nothing when it is not open.
    void close();

    bool is_open() const { return fd_ >= 0; }
    record_access access() const { return access_; }
    std::int16_t file_number() const { return number_; }

private:
    std::int64_t offset_of(std::int32_t n) const;
    void check_length(std::size_t length) const;

    int fd_ = -1;
    std::int16_t number_ = 0;
    int record_length_ = 0;
    record_access access_ = record_access::read_write;
    QString path_;
    // Read-ahead: a search reads thousands of consecutive records, and one
    // system call per record is far too slow for it.
    std::vector<std::uint8_t> window_;
    std::int64_t window_start_ = 0;
    std::size_t window_filled_ = 0;
};

/// The lowest file number that no open record file of the program uses.
std::int16_t free_file_number();

/// Closes every record file that the program has open.
void close_all_files();

} // namespace krv
