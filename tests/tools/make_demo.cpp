// Fills a folder with a small help library and an exchange file naming one of
// its documents, as the host application would leave them.
#include "sample_pdf.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

using krv::samples::page;

namespace {

page text_page(const QColor& colour, const QString& title, int number) {
    QStringList lines;
    lines << QStringLiteral("Page %1").arg(number);
    lines << QStringLiteral("Ce document d'essai montre le règlement des factures,");
    lines << QStringLiteral("la saisie des fiches et l'impression des tarifs.");
    for (int i = 0; i < 20; ++i)
        lines << QStringLiteral("Ligne %1 : texte de démonstration de l'aide en ligne.").arg(i + 1);
    return page{colour, title, lines};
}

std::vector<page> document(const QString& title, const QColor& colour, int pages) {
    std::vector<page> result;
    for (int i = 1; i <= pages; ++i)
        result.push_back(text_page(colour, title, i));
    return result;
}

} // namespace

int main(int argc, char** argv) {
    // Drawing text needs a GUI application, never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: krv_make_demo FOLDER\n";
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.mkpath(QStringLiteral("."))) {
        err << "cannot create " << folder.path() << "\n";
        return 1;
    }
    const struct {
        const char* name;
        const char* title;
        QColor colour;
        int pages;
    } library[] = {
        {"Documentation.pdf", "Documentation générale", QColor(255, 255, 255), 6},
        {"doc_installation.pdf", "Installation", QColor(235, 245, 255), 3},
        {"guide_de_saisie.PDF", "Guide de saisie", QColor(240, 255, 240), 4},
        {"tarifs_HT.Pdf", "Tarifs HT", QColor(255, 248, 230), 2},
        {"notes_de_version.pdf", "Notes de version", QColor(250, 240, 255), 2},
    };
    for (const auto& doc : library) {
        const QString path = folder.filePath(QString::fromUtf8(doc.name));
        if (!krv::samples::write_pdf(path, document(QString::fromUtf8(doc.title), doc.colour, doc.pages))) {
            err << "cannot write " << path << "\n";
            return 1;
        }
    }
    const QByteArray exchange = krv::samples::exchange_file(
        {{QStringLiteral("FICHE:NUM"), QStringLiteral("000124")},
         {QStringLiteral("DOC:FCAIS"), QStringLiteral("guide_de_saisie.PDF")}});
    if (!krv::samples::write_file(folder.filePath(QStringLiteral("W_intlog.wdo")), exchange)) {
        err << "cannot write the exchange file\n";
        return 1;
    }
    return 0;
}
