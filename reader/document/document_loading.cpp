#include "document_loading.h"

#include "failure_texts.h"
#include "file_names.h"
#include "text.h"

#include <QInputDialog>
#include <QPointer>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace krv {

namespace {

QPointer<QWidget>& dialog_parent() {
    static QPointer<QWidget> parent;
    return parent;
}

std::optional<QString> ask_password(const QString& file_name, bool again) {
    bool given = false;
    QWidget* parent = dialog_parent() ? dialog_parent()->window() : nullptr;
    // The dialog's label guesses rich text: the file's name is escaped there.
    const QString password = QInputDialog::getText(
        parent, QStringLiteral("Aide KRV"), literal_rich_text(password_question(file_name, again)),
        QLineEdit::Password, QString(), &given);
    if (!given)
        return std::nullopt;
    return password;
}

password_prompt& prompt() {
    static password_prompt p = ask_password;
    return p;
}

} // namespace

QString password_question(const QString& file_name, bool again) {
    const QString text =
        again ? QStringLiteral(
                    "Mot de passe incorrect. Mot de passe du document «\u00a0%1\u00a0»\u00a0:")
              : QStringLiteral("Le document «\u00a0%1\u00a0» est protégé. Mot de passe\u00a0:");
    return text.arg(file_name);
}

void set_password_prompt(password_prompt p) {
    prompt() = p ? std::move(p) : ask_password;
}

void set_password_dialog_parent(QWidget* parent) {
    dialog_parent() = parent;
}

failure pdf_failure(QPdfDocument::Error error, const QString& file_name) {
    switch (error) {
    case QPdfDocument::Error::FileNotFound:
        return document_failure(failure_kind::not_found, file_name);
    case QPdfDocument::Error::InvalidFileFormat:
        return document_failure(failure_kind::damaged, file_name);
    case QPdfDocument::Error::IncorrectPassword:
        return document_failure(failure_kind::password_required, file_name);
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return document_failure(failure_kind::unsupported, file_name);
    case QPdfDocument::Error::None:
    case QPdfDocument::Error::Unknown:
    case QPdfDocument::Error::DataNotYetAvailable:
        break;
    }
    return document_failure(failure_kind::internal, file_name);
}

namespace {

constexpr qint64 mebibyte = 1024 * 1024;

struct file_descriptor {
    int fd = -1;
    ~file_descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads at most limit + 1 bytes: enough to know that a file grew past the limit.
outcome<QByteArray> read_bounded(int fd, qint64 expected, qint64 limit, const QString& name) {
    constexpr qint64 chunk = 4 * mebibyte;
    QByteArray data;
    data.reserve(std::min(expected, limit) + 1);
    qint64 total = 0;
    while (total <= limit) {
        const qint64 wanted = std::min(chunk, limit + 1 - total);
        data.resize(total + wanted);
        const ssize_t got = ::read(fd, data.data() + total, static_cast<size_t>(wanted));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unreadable_failure(name, errno);
        if (got == 0)
            break;
        total += got;
    }
    if (total > limit)
        return too_large_failure(name, 0, limit);
    data.resize(total);
    if (data.isEmpty())
        return empty_document_failure(name);
    return data;
}

} // namespace

outcome<QByteArray> read_document(const QString& path, qint64 limit) {
    const QString name = readable_file_name(file_name_of(path));
    const QByteArray native = encode_file_name(path);
    // Looked at before it is opened, so that no device is ever opened; then checked
    // again on what was opened, which a change in between cannot fool.
    struct stat info;
    if (::stat(native.constData(), &info) != 0)
        return unreadable_failure(name, errno);
    if (auto refused = not_a_document_failure(info.st_mode, name))
        return *refused;
    // O_NONBLOCK: a FIFO put there meanwhile must not hold the program in open().
    file_descriptor file{::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0)
        return unreadable_failure(name, errno);
    if (::fstat(file.fd, &info) != 0)
        return unreadable_failure(name, errno);
    if (auto refused = not_a_document_failure(info.st_mode, name))
        return *refused;
    if (info.st_size > limit)
        return too_large_failure(name, info.st_size, limit);
    ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
    return read_bounded(file.fd, info.st_size, limit, name);
}

std::optional<QString> ask_for_password(const QString& file_name, bool again) {
    return prompt()(file_name, again);
}

} // namespace krv
