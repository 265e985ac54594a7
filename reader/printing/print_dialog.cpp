#include "print_dialog.h"

#include "chapter.h"
#include "file_names.h"
#include "file_replace.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QRadioButton>

#include <sys/stat.h>
#include <unistd.h>

namespace krv {

namespace {

QString quoted(const QString& path) {
    return QStringLiteral("«\u00a0%1\u00a0»").arg(readable_file_name(path));
}

QString choose_another(const QString& why) {
    return why + QStringLiteral("\u00a0: choisissez un autre nom de fichier.");
}

// Our check in place of Qt's, for a print to a file; true when the dialog may close.
bool file_output_accepted(QPrintDialog& dialog, const QString& path) {
    const file_output_check check = check_file_output(path);
    if (check.what == file_output_check::verdict::go)
        return true;
    const bool asking = check.what == file_output_check::verdict::ask;
    // Plain text: a file's name is no markup.
    QMessageBox box(asking ? QMessageBox::Question : QMessageBox::Warning, dialog.windowTitle(),
                    check.text, asking ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    &dialog);
    box.setTextFormat(Qt::PlainText);
    if (asking)
        box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

file_output_check check_file_output(const QString& given) {
    using verdict = file_output_check::verdict;
    if (given.trimmed().isEmpty())
        return {verdict::refuse,
                QStringLiteral("Donnez le nom du fichier où imprimer le document.")};
    const QString path = QDir::isRelativePath(given) ? QDir::homePath() + u'/' + given : given;
    switch (kind_of_name(path)) {
    case name_kind::link:
        return {verdict::ask,
                QStringLiteral("%1 existe déjà\u00a0: c’est un lien symbolique. Voulez-vous le "
                               "remplacer par le document\u00a0? Ce vers quoi il mène n’est pas "
                               "modifié.")
                    .arg(quoted(path))};
    case name_kind::regular:
        if (::access(encode_file_name(path).constData(), W_OK) != 0)
            return {verdict::refuse,
                    choose_another(
                        QStringLiteral("Le fichier %1 est protégé en écriture").arg(quoted(path)))};
        return {verdict::ask,
                QStringLiteral("Le fichier %1 existe déjà. Voulez-vous le remplacer\u00a0?")
                    .arg(quoted(path))};
    case name_kind::folder:
        return {verdict::refuse,
                choose_another(QStringLiteral("%1 est un dossier").arg(quoted(path)))};
    case name_kind::other: {
        struct stat info {};
        ::lstat(encode_file_name(path).constData(), &info);
        return {verdict::refuse,
                choose_another(QStringLiteral("%1 n’est pas un fichier ordinaire (%2)")
                                   .arg(quoted(path), file_kind_text(info.st_mode)))};
    }
    case name_kind::missing:
        break;
    }
    const QString folder = folder_of(path);
    if (type_of(folder) != file_type::folder)
        return {verdict::refuse,
                choose_another(QStringLiteral("Le dossier %1 n’existe pas").arg(quoted(folder)))};
    if (::access(encode_file_name(folder).constData(), W_OK) != 0)
        return {
            verdict::refuse,
            choose_another(QStringLiteral("Vous n’avez pas le droit d’écrire dans le dossier %1")
                               .arg(quoted(folder)))};
    return {};
}

QString no_printer_text() {
    return QStringLiteral("Aucune imprimante n’est disponible\u00a0: le document ne peut être "
                          "imprimé que dans un fichier PDF.");
}

void adapt_print_dialog(QPrintDialog& dialog) {
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        if (auto* column = qobject_cast<QBoxLayout*>(dialog.layout())) {
            auto* notice = new QLabel(no_printer_text(), &dialog);
            notice->setTextFormat(Qt::PlainText);
            notice->setWordWrap(true);
            notice->setStyleSheet(QStringLiteral("QLabel { font-weight: bold; }"));
            column->insertWidget(0, notice);
        }
    }
    // Qt's button beside the file's name says only "..." to a screen reader.
    if (auto* browse = dialog.findChild<QAbstractButton*>(QStringLiteral("fileBrowser"))) {
        browse->setAccessibleName(QStringLiteral("Choisir le fichier de sortie"));
        browse->setToolTip(browse->accessibleName());
    }
    // Qt's dialog checks the file's name when its Print button is pressed; ours
    // takes its place there (the widgets are Qt 6's, named in its form files).
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    auto* file_name = dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
    if (!buttons || !file_name)
        return; // not the dialog we know: its own check stays
    QObject::disconnect(buttons, &QDialogButtonBox::accepted, &dialog, nullptr);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&dialog, file_name] {
        // The name is only used when printing to a file.
        if (file_name->isEnabled()) {
            if (file_output_accepted(dialog, file_name->text()))
                dialog.accept();
            return;
        }
        // To a printer, Qt's own checks of the printer's options: a slot of its
        // private part, reached by its name only.
        if (!QMetaObject::invokeMethod(&dialog, "_q_checkFields"))
            dialog.accept();
    });
}

QRadioButton* add_chapter_choice(QPrintDialog& dialog, const chapter_offer& offer) {
    // Beside Qt's "Page courante" (named in its form files), in the same column of
    // choices: what stands above it keeps its place.
    auto* current_page = dialog.findChild<QRadioButton*>(QStringLiteral("printCurrentPage"));
    QWidget* box = current_page ? current_page->parentWidget() : nullptr;
    auto* column = box ? qobject_cast<QBoxLayout*>(box->layout()) : nullptr;
    const int at = column ? column->indexOf(current_page) : -1;
    if (at < 0)
        return nullptr;
    auto* chapter = new QRadioButton(offer.text, box);
    chapter->setObjectName(QStringLiteral("printCurrentChapter"));
    chapter->setEnabled(offer.pages.has_value());
    chapter->setToolTip(offer.why_not);
    if (QButtonGroup* group = current_page->group())
        group->addButton(chapter); // one choice among Qt's
    column->insertWidget(at + 1, chapter);
    return chapter;
}

} // namespace krv
