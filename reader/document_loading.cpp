#include "document_loading.h"

#include "errors.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>

#include <cerrno>

namespace krv {

namespace {

std::optional<QString> ask_password(const QString& file_name, bool again) {
    bool given = false;
    const QString text =
        again ? QStringLiteral("Mot de passe incorrect. Mot de passe du document « %1 » :")
              : QStringLiteral("Le document « %1 » est protégé. Mot de passe :");
    const QString password =
        QInputDialog::getText(nullptr, QStringLiteral("Aide KRV"), text.arg(file_name),
                              QLineEdit::Password, QString(), &given);
    if (!given)
        return std::nullopt;
    return password;
}

password_prompt& prompt() {
    static password_prompt p = ask_password;
    return p;
}

// One attempt with one password; the document is Ready, or failed with an error.
std::unique_ptr<QPdfDocument> try_open(const QByteArray& bytes, const QString& password) {
    auto document = std::make_unique<QPdfDocument>();
    if (!password.isEmpty())
        document->setPassword(password);
    auto* buffer = new QBuffer(document.get());
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    document->load(buffer);
    return document;
}

} // namespace

void set_password_prompt(password_prompt p) {
    prompt() = p ? std::move(p) : ask_password;
}

QString pdf_failure_text(QPdfDocument::Error error, const QString& file_name) {
    switch (error) {
    case QPdfDocument::Error::FileNotFound:
        return QStringLiteral("Document introuvable : %1").arg(file_name);
    case QPdfDocument::Error::InvalidFileFormat:
        return QStringLiteral("Ce document n'est pas un PDF lisible (fichier endommagé ou "
                              "d'un autre type) : %1")
            .arg(file_name);
    case QPdfDocument::Error::IncorrectPassword:
        return QStringLiteral("Ce document est protégé par un mot de passe : %1").arg(file_name);
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return QStringLiteral("La protection de ce document n'est pas prise en charge : %1")
            .arg(file_name);
    case QPdfDocument::Error::None:
    case QPdfDocument::Error::Unknown:
    case QPdfDocument::Error::DataNotYetAvailable:
        break;
    }
    return QStringLiteral("Impossible d'afficher le document : %1").arg(file_name);
}

document_bytes read_document(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!info.exists())
        return {{}, pdf_failure_text(QPdfDocument::Error::FileNotFound, name)};
    if (info.isDir())
        return {{}, QStringLiteral("« %1 » est un dossier, pas un document").arg(name)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const int err = errno;
        return {{}, QStringLiteral("Document illisible : %1 (%2)").arg(name, system_message(err))};
    }
    QByteArray data = file.readAll();
    if (data.isEmpty())
        return {{}, QStringLiteral("Document vide : %1").arg(name)};
    return {std::move(data), {}};
}

opened_document open_document(const QString& path, const QString& known_password,
                              password_policy policy,
                              const std::function<void(const QString&)>& on_protected) {
    opened_document result;
    result.path = path;
    document_bytes bytes = read_document(path);
    if (!bytes.failure.isEmpty()) {
        result.failure = bytes.failure;
        return result;
    }
    result.bytes = std::move(bytes.data);
    const QString name = QFileInfo(path).fileName();
    QString password = known_password;
    for (bool again = false;; again = true) {
        std::unique_ptr<QPdfDocument> document = try_open(result.bytes, password);
        if (document->status() == QPdfDocument::Status::Ready) {
            if (document->pageCount() <= 0) {
                result.failure =
                    QStringLiteral("Ce document ne contient aucune page : %1").arg(name);
                return result;
            }
            result.document = std::move(document);
            result.password = password;
            return result;
        }
        if (document->error() != QPdfDocument::Error::IncorrectPassword) {
            result.failure = pdf_failure_text(document->error(), name);
            return result;
        }
        if (policy == password_policy::never_ask) {
            result.needs_password = true;
            return result;
        }
        if (!again && on_protected)
            on_protected(name);
        const std::optional<QString> given = prompt()(name, again);
        if (!given) {
            result.failure =
                QStringLiteral("Ce document est protégé par un mot de passe, qui n'a pas été "
                               "donné : %1")
                    .arg(name);
            return result;
        }
        password = *given;
    }
}

} // namespace krv
