// libFuzzer target: any file content given to a lookup ends in a value or one of
// the program's errors, never a crash; the host's bytes never change unless the
// file was empty or its first record blank, and the file never grows past the
// two records of an initialisation.
#include "errors.h"
#include "inter_logg.h"
#include "record_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool blank(const QByteArray& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char b) { return b == 0 || b == ' '; });
}

QByteArray read_back() {
    QFile file(QStringLiteral("W_intlog.wdo"));
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return file.readAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const bool entered = QDir::setCurrent(dir.path());
    if (!entered)
        std::abort();
    const int fd = ::open("W_intlog.wdo", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size))
        std::abort();
    ::close(fd);
    const QByteArray before(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const QString value = krv::inter_logg::lit_intlog(QStringLiteral("DOC:FCAIS"));
        if (!value.isEmpty() && value.size() != 40)
            std::abort();
    } catch (const krv::error&) {
    }
    const QByteArray after = read_back();
    const bool ours = !before.startsWith("#INIT#") && blank(before.left(128));
    if (!ours && after != before)
        std::abort(); // someone's data was written over
    if (ours) {
        // Only the header, and the blank entry where nothing lay; the rest as it was.
        if (!after.startsWith("#INIT#") || after.mid(256) != before.mid(256))
            std::abort();
        if (!blank(before.mid(128, 128)) && after.mid(128, 128) != before.mid(128, 128))
            std::abort();
        if (after.size() > std::max<qsizetype>(before.size(), 256))
            std::abort();
    }
    if (krv::free_file_number() != 1) // the file is closed after every lookup
        std::abort();
    return 0;
}
