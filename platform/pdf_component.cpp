#include "pdf_component.h"

#include "errors.h"
#include "twips.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPdfView>
#include <QStackedLayout>

#include <cerrno>

namespace krv {

QString pdf_failure_text(QPdfDocument::Error error, const QString& file_name) {
    switch (error) {
    case QPdfDocument::Error::FileNotFound:
        return QStringLiteral("Document introuvable : %1").arg(file_name);
    case QPdfDocument::Error::InvalidFileFormat:
        return QStringLiteral("Ce document n'est pas un PDF lisible (fichier endommagé ou "
                              "d'un autre type) : %1").arg(file_name);
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
    const QString name = QFileInfo(path).fileName();
    const QFileInfo info(path);
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

pdf_component::pdf_component(QWidget* parent) : QWidget(parent) {
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);

    message_ = new QLabel(this);
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setMargin(to_pixels(600));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(points_to_pixels(12));
    message_->setFont(font);
    message_->setStyleSheet(QStringLiteral("QLabel { background: #f4f4f4; color: #202020; }"));

    view_ = new QPdfView(this);
    view_->setPageMode(QPdfView::PageMode::MultiPage);
    view_->setZoomMode(QPdfView::ZoomMode::FitToWidth);

    stack_->addWidget(message_);
    stack_->addWidget(view_);
    stack_->setCurrentWidget(message_);
}

QString pdf_component::message() const {
    return stack_->currentWidget() == message_ ? message_->text() : QString();
}

pdf_component::loading pdf_component::open_document(const QString& path) {
    loading result;
    result.path = path;
    document_bytes bytes = read_document(path);
    if (!bytes.failure.isEmpty()) {
        result.failure = bytes.failure;
        return result;
    }
    auto* document = new QPdfDocument(this);
    auto* buffer = new QBuffer(document);
    buffer->setData(bytes.data);
    buffer->open(QIODevice::ReadOnly);
    document->load(buffer);
    if (document->status() != QPdfDocument::Status::Ready) {
        result.failure = pdf_failure_text(document->error(), QFileInfo(path).fileName());
        delete document;
        return result;
    }
    result.document = document;
    return result;
}

void pdf_component::prepare(const QString& path) {
    if (prepared_.document)
        prepared_.document->deleteLater();
    prepared_ = open_document(path);
}

void pdf_component::set_src(const QString& path) {
    src_ = path;
    loading result;
    if (prepared_.path == path && (prepared_.document || !prepared_.failure.isEmpty())) {
        result = std::exchange(prepared_, loading{});
    } else {
        result = open_document(path);
    }
    show_document(std::move(result));
}

void pdf_component::show_document(loading result) {
    if (!result.document) {
        show_message(result.failure);
        return;
    }
    QPdfDocument* old = shown_;
    shown_ = result.document;
    view_->setDocument(shown_);
    view_->setZoomMode(QPdfView::ZoomMode::FitToWidth);
    stack_->setCurrentWidget(view_);
    if (old)
        old->deleteLater();
    emit document_shown();
}

void pdf_component::show_message(const QString& text) {
    message_->setText(text);
    stack_->setCurrentWidget(message_);
    if (shown_) {
        view_->setDocument(nullptr);
        shown_->deleteLater();
        shown_ = nullptr;
    }
}

} // namespace krv
