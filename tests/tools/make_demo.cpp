// Fills a folder with a small help library and an exchange file naming one of
// its documents, as the host application would leave them. Documentation.pdf has
// a table of contents linked to its chapters.
#include "sample_pdf.h"
#include "test_documents.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

using krv::samples::outline_entry;
using krv::samples::text_page;

namespace {

// Chapters of a help document: a title line, then body text, a few per page.
std::vector<text_page> document(const QString& title, const QColor& colour, int pages,
                                std::vector<outline_entry>& outline) {
    const QStringList topics{
        QStringLiteral("Présentation"),           QStringLiteral("Saisie des fiches"),
        QStringLiteral("Règlement des factures"), QStringLiteral("Impression des tarifs"),
        QStringLiteral("Questions fréquentes"),   QStringLiteral("Index")};
    std::vector<text_page> result;
    for (int i = 0; i < pages; ++i) {
        const QString topic = topics[i % topics.size()];
        QStringList lines{title, QString(), QStringLiteral("%1. %2").arg(i + 1).arg(topic),
                          QString()};
        for (int l = 0; l < 28; ++l)
            lines << QStringLiteral("Ligne %1 : pour %2, suivez les étapes décrites à l’écran.")
                         .arg(l + 1)
                         .arg(topic.toLower());
        lines << QString() << QStringLiteral("Page %1 sur %2").arg(i + 1).arg(pages);
        result.push_back({colour, lines});
        outline.push_back({QStringLiteral("%1. %2").arg(i + 1).arg(topic), i, 60});
    }
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
        {"doc_installation.pdf", "Installation", QColor(235, 245, 255), 3},
        {"guide_de_saisie.PDF", "Guide de saisie", QColor(240, 255, 240), 4},
        {"tarifs_HT.Pdf", "Tarifs HT", QColor(255, 248, 230), 2},
        {"notes_de_version.pdf", "Notes de version", QColor(250, 240, 255), 2},
    };
    // The general documentation as manuals are made: a linked table of contents.
    if (!krv::samples::write_file(
            folder.filePath(QStringLiteral("Documentation.pdf")),
            krv::samples::manual_document(QStringLiteral("Documentation générale"), 8, 3))) {
        err << "cannot write Documentation.pdf\n";
        return 1;
    }
    for (const auto& doc : library) {
        const QString path = folder.filePath(QString::fromUtf8(doc.name));
        std::vector<outline_entry> outline;
        const auto pages = document(QString::fromUtf8(doc.title), doc.colour, doc.pages, outline);
        if (!krv::samples::write_text_pdf(path, pages, outline)) {
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
