#include "document_loading.h"

#include "errors.h"
#include "file_names.h"
#include "text.h"

#include <QInputDialog>
#include <QLocale>
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
    const QString text =
        again ? QStringLiteral(
                    "Mot de passe incorrect. Mot de passe du document «\u00a0%1\u00a0»\u00a0:")
              : QStringLiteral("Le document «\u00a0%1\u00a0» est protégé. Mot de passe\u00a0:");
    QWidget* parent = dialog_parent() ? dialog_parent()->window() : nullptr;
    // The dialog's label guesses rich text: the file's name is escaped there.
    const QString password = QInputDialog::getText(parent, QStringLiteral("Aide KRV"),
                                                   literal_rich_text(text.arg(file_name)),
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

void set_password_prompt(password_prompt p) {
    prompt() = p ? std::move(p) : ask_password;
}

void set_password_dialog_parent(QWidget* parent) {
    dialog_parent() = parent;
}

QString pdf_failure_text(QPdfDocument::Error error, const QString& file_name) {
    switch (error) {
    case QPdfDocument::Error::FileNotFound:
        return QStringLiteral("Document introuvable\u00a0: %1").arg(file_name);
    case QPdfDocument::Error::InvalidFileFormat:
        return QStringLiteral("Ce document n’est pas un PDF lisible (fichier endommagé ou "
                              "d’un autre type)\u00a0: %1")
            .arg(file_name);
    case QPdfDocument::Error::IncorrectPassword:
        return QStringLiteral("Ce document est protégé par un mot de passe\u00a0: %1")
            .arg(file_name);
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return QStringLiteral("La protection de ce document n’est pas prise en charge\u00a0: %1")
            .arg(file_name);
    case QPdfDocument::Error::None:
    case QPdfDocument::Error::Unknown:
    case QPdfDocument::Error::DataNotYetAvailable:
        break;
    }
    return QStringLiteral("Impossible d’afficher le document\u00a0: %1").arg(file_name);
}

QString structure_failure_text(failure_kind kind, const QString& file_name) {
    switch (kind) {
    case failure_kind::password_required:
        return pdf_failure_text(QPdfDocument::Error::IncorrectPassword, file_name);
    case failure_kind::damaged:
        return pdf_failure_text(QPdfDocument::Error::InvalidFileFormat, file_name);
    case failure_kind::unsupported:
        return pdf_failure_text(QPdfDocument::Error::UnsupportedSecurityScheme, file_name);
    case failure_kind::limit_exceeded:
        return QStringLiteral("Ce document est trop complexe pour être affiché sans risque (pages "
                              "trop nombreuses ou imbriquées trop profondément)\u00a0: %1")
            .arg(file_name);
    case failure_kind::internal:
        break;
    }
    return pdf_failure_text(QPdfDocument::Error::Unknown, file_name);
}

namespace {

constexpr qint64 mebibyte = 1024 * 1024;

QString megabytes(qint64 bytes) {
    return QLocale(QLocale::French).toString((bytes + mebibyte - 1) / mebibyte);
}

QString too_large_text(const QString& name, qint64 size, qint64 limit) {
    const QString size_text =
        size > limit ? megabytes(size) : QStringLiteral("plus de %1").arg(megabytes(limit));
    return QStringLiteral("Document trop volumineux\u00a0: %1 (%2\u00a0Mo\u00a0; l’aide en "
                          "affiche jusqu’à %3\u00a0Mo)")
        .arg(name, size_text, megabytes(limit));
}

// What a path that is not a regular file gets, or nothing when it is one.
QString not_a_document_text(mode_t mode, const QString& name) {
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QStringLiteral("«\u00a0%1\u00a0» est un dossier, pas un document").arg(name);
    return QStringLiteral("«\u00a0%1\u00a0» n’est pas un document mais un fichier spécial "
                          "(%2)\u00a0; l’aide ne l’ouvre pas.")
        .arg(name, file_kind_text(mode));
}

QString unreadable_text(const QString& name, int err) {
    if (err == ENOENT || err == ENOTDIR)
        return pdf_failure_text(QPdfDocument::Error::FileNotFound, name);
    return QStringLiteral("Document illisible\u00a0: %1 (%2)").arg(name, system_message(err));
}

struct file_descriptor {
    int fd = -1;
    ~file_descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Reads at most limit + 1 bytes: enough to know that a file grew past the limit.
document_bytes read_bounded(int fd, qint64 expected, qint64 limit, const QString& name) {
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
            return {{}, unreadable_text(name, errno)};
        if (got == 0)
            break;
        total += got;
    }
    if (total > limit)
        return {{}, too_large_text(name, 0, limit)};
    data.resize(total);
    if (data.isEmpty())
        return {{}, QStringLiteral("Document vide\u00a0: %1").arg(name)};
    return {std::move(data), {}};
}

} // namespace

document_bytes read_document(const QString& path, qint64 limit) {
    const QString name = readable_file_name(file_name_of(path));
    const QByteArray native = encode_file_name(path);
    // Looked at before it is opened, so that no device is ever opened; then checked
    // again on what was opened, which a change in between cannot fool.
    struct stat info;
    if (::stat(native.constData(), &info) != 0)
        return {{}, unreadable_text(name, errno)};
    if (const QString text = not_a_document_text(info.st_mode, name); !text.isEmpty())
        return {{}, text};
    // O_NONBLOCK: a FIFO put there meanwhile must not hold the program in open().
    file_descriptor file{::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0)
        return {{}, unreadable_text(name, errno)};
    if (::fstat(file.fd, &info) != 0)
        return {{}, unreadable_text(name, errno)};
    if (const QString text = not_a_document_text(info.st_mode, name); !text.isEmpty())
        return {{}, text};
    if (info.st_size > limit)
        return {{}, too_large_text(name, info.st_size, limit)};
    ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
    return read_bounded(file.fd, info.st_size, limit, name);
}

std::optional<QString> ask_for_password(const QString& file_name, bool again) {
    return prompt()(file_name, again);
}

} // namespace krv
