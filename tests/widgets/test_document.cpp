// A document's life in the reader: read from memory, a clear French message for
// every file it cannot show, and the document prepared before it is asked for.
#include "pdf_component.h"
#include "pixels.h"
#include "sample_pdf.h"
#include "test_main.h"

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

using namespace krv;

class test_document : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

    QByteArray real_pdf() {
        const QString p = path("modele.pdf");
        samples::write_pdf(p, {{Qt::red, "Un", {"premier"}}, {Qt::blue, "Deux", {"second"}}});
        QFile f(p);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void unreadable_files_give_a_message_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: no file at all
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "Tarifs.pdf" << QByteArray()
                                 << "Document introuvable : Tarifs.pdf";
        QTest::newRow("empty") << "vide.pdf" << QByteArray("") << "Document vide : vide.pdf";
        QTest::newRow("not a PDF")
            << "texte.pdf" << QByteArray("Bonjour, ceci est du texte.\n")
            << "Ce document n'est pas un PDF lisible (fichier endommagé ou d'un "
               "autre type) : texte.pdf";
        QTest::newRow("header only")
            << "tronque.pdf" << QByteArray("%PDF-1.4\n%")
            << "Ce document n'est pas un PDF lisible (fichier endommagé ou d'un "
               "autre type) : tronque.pdf";
        QTest::newRow("a folder") << "dossier.pdf" << QByteArray("<dir>")
                                  << "« dossier.pdf » est un dossier, pas un document";
    }
    void unreadable_files_give_a_message() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        if (content == "<dir>")
            QVERIFY(QDir().mkpath(path(name)));
        else if (!content.isNull())
            QVERIFY(samples::write_file(path(name), content.isEmpty() ? QByteArray("") : content));
        pdf_component component(nullptr);
        component.resize(400, 500);
        component.set_src(path(name));
        QCOMPARE(component.message(), message);
        QVERIFY(component.document() == nullptr);
    }

    void damaged_files_data() {
        QTest::addColumn<int>("kept");   // bytes kept; negative: counted from the end
        QTest::addColumn<bool>("shown"); // pdfium rebuilds what it can, or gives up
        QTest::newRow("cut in half") << 0 << false;
        QTest::newRow("end of file mark lost") << -7 << true;
        QTest::newRow("trailer lost") << -60 << false;
    }
    void damaged_files() {
        QFETCH(int, kept);
        QFETCH(bool, shown);
        const QByteArray whole = real_pdf();
        const qsizetype length = kept == 0 ? whole.size() / 2 : whole.size() + kept;
        QVERIFY(samples::write_file(path("abime.pdf"), whole.left(length)));
        pdf_component component(nullptr);
        component.resize(400, 500);
        component.show();
        component.set_src(path("abime.pdf"));
        if (!shown) {
            QVERIFY(component.document() == nullptr);
            QCOMPARE(component.message(),
                     QStringLiteral("Ce document n'est pas un PDF lisible (fichier "
                                    "endommagé ou d'un autre type) : abime.pdf"));
            return;
        }
        QVERIFY(component.message().isEmpty());
        QTRY_VERIFY(pixels::near(pixels::dominant_colour(component.view()->viewport()), Qt::red));
    }

    void a_message_gives_way_to_the_next_document() {
        pdf_component component(nullptr);
        component.resize(400, 500);
        component.show();
        component.set_src(path("absent.pdf"));
        QVERIFY(!component.message().isEmpty());
        QVERIFY(samples::write_colour_pdf(path("vert.pdf"), Qt::green, "Vert"));
        component.set_src(path("vert.pdf"));
        QVERIFY(component.message().isEmpty());
        QCOMPARE(component.document()->pageCount(), 1);
        QCOMPARE(component.view()->mode(), page_view::zoom_mode::fit_width);
        QTRY_VERIFY(pixels::near(pixels::dominant_colour(component.view()->viewport()), Qt::green));
    }

    void file_rewritten_in_place_does_not_hang() {
        QVERIFY(
            samples::write_pdf(path("vivant.pdf"), {{Qt::red, "Un", {}}, {Qt::blue, "Deux", {}}}));
        pdf_component component(nullptr);
        component.resize(400, 500);
        component.show();
        component.set_src(path("vivant.pdf"));
        QVERIFY(component.document());
        // The host rewrites the file in place, shorter, while it is shown.
        QFile file(path("vivant.pdf"));
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.write(QByteArray(300, 'x'));
        file.resize(300);
        file.close();
        QTRY_VERIFY(pixels::near(pixels::dominant_colour(component.view()->viewport()), Qt::red));
        component.view()->verticalScrollBar()->setValue(
            component.view()->verticalScrollBar()->maximum());
        component.grab();
    }

    void prepared_document_is_the_one_shown() {
        QVERIFY(samples::write_colour_pdf(path("prepare.pdf"), Qt::yellow, "Jaune"));
        pdf_component component(nullptr);
        component.prepare(path("prepare.pdf"));
        // Gone before the tick: what was read at the request is what shows.
        QVERIFY(QFile::remove(path("prepare.pdf")));
        component.set_src(path("prepare.pdf"));
        QVERIFY(component.document());
    }
};

KRV_TEST_MAIN(test_document)
#include "test_document.moc"
