// libFuzzer target: any file content given to a lookup ends in a value or one of
// the program's errors, never a crash, and never grows the file past the limit.
#include "errors.h"
#include "inter_logg.h"
#include "record_file.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static const bool entered = QDir::setCurrent(dir.path());
    if (!entered)
        std::abort();
    const int fd = ::open("W_intlog.wdo", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size))
        std::abort();
    ::close(fd);
    try {
        const QString value = krv::inter_logg::lit_intlog(QStringLiteral("DOC:FCAIS"));
        if (!value.isEmpty() && value.size() != 40)
            std::abort();
    } catch (const krv::error&) {
    }
    struct stat info;
    if (::stat("W_intlog.wdo", &info) != 0)
        std::abort();
    const off_t limit =
        std::max<off_t>(static_cast<off_t>(size), krv::inter_logg::last_readable_record * 128);
    if (info.st_size > limit)
        std::abort();
    if (krv::free_file_number() != 1) // the file is closed after every lookup
        std::abort();
    return 0;
}
