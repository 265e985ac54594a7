// Every text the windows show, as a reader of French expects it: each window is
// walked (texts, tooltips, names and descriptions for screen readers, titles,
// rows) in the states it can be in, and the messages the program can give are
// checked too; text from documents and file names shows as it stands.
#include "affic_pdf.h"
#include "document_loading.h"
#include "errors.h"
#include "failures.h"
#include "fixture.h"
#include "folder_results.h"
#include "krv_pdf2.h"
#include "menu_pdf.h"
#include "modu_declarations.h"
#include "pdf_component.h"
#include "reader_probe.h"
#include "sample_pdf.h"
#include "test_main.h"
#include "typography.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QTreeView>

#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

using namespace krv;

namespace {

// What a text shows, in the format Qt reads it in; `html`, when given, receives
// the texts read as HTML, as they were.
QString shown(const QString& text, Qt::TextFormat format, QStringList* html) {
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        return text;
    if (html)
        *html << text;
    return QTextDocumentFragment::fromHtml(text).toPlainText();
}

// Every text of a window and its controls, each with where it was found.
QStringList texts_of(QWidget& window, QStringList* html = nullptr) {
    QStringList texts;
    QList<QWidget*> widgets = window.findChildren<QWidget*>();
    widgets.prepend(&window);
    for (QWidget* w : widgets) {
        const QString where = w->metaObject()->className() + (u' ' + w->objectName());
        auto add = [&](const QString& text, Qt::TextFormat format = Qt::PlainText) {
            if (!text.isEmpty())
                texts << where + u'\t' + shown(text, format, html);
        };
        add(w->toolTip(), Qt::AutoText);
        add(w->accessibleName());
        add(w->accessibleDescription());
        if (w->isWindow())
            add(w->windowTitle());
        if (auto* label = qobject_cast<QLabel*>(w))
            add(label->text(), label->textFormat());
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            add(button->text());
        if (auto* field = qobject_cast<QLineEdit*>(w))
            add(field->placeholderText());
        // Rows: their text drawn plain, their tooltips guessed.
        const auto* view = qobject_cast<QAbstractItemView*>(w);
        const QAbstractItemModel* model = view ? view->model() : nullptr;
        for (std::vector<QModelIndex> parents{QModelIndex()}; model && !parents.empty();) {
            const QModelIndex parent = parents.back();
            parents.pop_back();
            for (int row = 0; row < model->rowCount(parent); ++row) {
                parents.push_back(model->index(row, 0, parent));
                add(parents.back().data().toString());
                add(parents.back().data(Qt::ToolTipRole).toString(), Qt::AutoText);
            }
        }
    }
    return texts;
}

QStringList faults_in(const QStringList& texts) {
    QStringList found;
    for (const QString& t : texts)
        for (const QString& fault : typography::faults(t.section(u'\t', 1)))
            found << t.section(u'\t', 0, 0) + QStringLiteral(": ") + fault;
    return found;
}

} // namespace

class test_texts : public QObject {
    Q_OBJECT
    program_fixture fixture_;

    affic_pdf& viewer() { return *find_form<affic_pdf>(); }

private slots:
    void initTestCase() {
        QVERIFY(fixture_.set_up());
        // Without an outline: Qt PDF 6.4 leaks what it reads of one (its bookmark model).
        QVERIFY(samples::write_text_pdf("Documentation.pdf", {{Qt::white, {"Bonjour"}}}));
        QVERIFY(samples::write_colour_pdf("doc_l_ete.pdf", Qt::white, "Été"));
    }
    void cleanup() { fixture_.reset(); }
    void cleanupTestCase() { fixture_.tear_down(); }

    void menu_and_viewer_with_a_document() {
        load_form<menu_pdf>().show_modeless();
        QTRY_VERIFY(viewer().APDF_Objet->document());
        viewer().APDF_Objet->search()->open();
        viewer().APDF_Objet->search()->find(QStringLiteral("introuvable"));
        QStringList texts = texts_of(*find_form<menu_pdf>()) + texts_of(viewer());
        QVERIFY(texts.size() > 40);
        QVERIFY2(faults_in(texts).isEmpty(), qPrintable(faults_in(texts).join(u'\n')));
    }

    void viewer_with_a_message() {
        samples::write_file(QStringLiteral("W_intlog.wdo"),
                            samples::exchange_file({{"DOC:FCAIS", "absent.pdf"}}));
        load_form<menu_pdf>().show_modeless();
        QTRY_VERIFY(!viewer().APDF_Objet->message().isEmpty());
        const QStringList texts = texts_of(viewer());
        QVERIFY(texts.join(u'\n').contains(QStringLiteral("Ctrl+O")));
        QVERIFY2(faults_in(texts).isEmpty(), qPrintable(faults_in(texts).join(u'\n')));
        QFile::remove(QStringLiteral("W_intlog.wdo"));
    }

    void the_list() {
        menu_pdf& menu = load_form<menu_pdf>();
        menu.show_modeless();
        QStringList texts;
        QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            if (krv_pdf2* dialog = find_form<krv_pdf2>()) {
                texts = texts_of(*dialog);
                dialog->annul_demande();
            }
        });
        menu.bt_rech_Click();
        QVERIFY(texts.size() > 8);
        QVERIFY2(faults_in(texts).isEmpty(), qPrintable(faults_in(texts).join(u'\n')));
    }

    void every_message_data() {
        QTest::addColumn<QString>("message");
        for (auto e :
             {QPdfDocument::Error::FileNotFound, QPdfDocument::Error::InvalidFileFormat,
              QPdfDocument::Error::IncorrectPassword,
              QPdfDocument::Error::UnsupportedSecurityScheme, QPdfDocument::Error::Unknown})
            QTest::addRow("document error %d", static_cast<int>(e))
                << pdf_failure(e, QStringLiteral("a.pdf")).text;
        QTest::newRow("folder") << read_document(QDir::currentPath()).error().text;
        QTest::newRow("overflow") << overflow_error().description();
        QTest::newRow("record number") << bad_record_number_error(0).description();
        QTest::newRow("file")
            << file_error(QStringLiteral("d’ouvrir"), QStringLiteral("a"), EACCES).description();
    }
    void every_message() {
        QFETCH(QString, message);
        QVERIFY(!message.isEmpty());
        QVERIFY2(typography::faults(message).isEmpty(), qPrintable(message));
    }

    void messages_of_the_windows() {
        // The start-up's report of an exchange file that cannot be opened, and the
        // web link's when no browser starts.
        QFile::remove(QStringLiteral("W_intlog.wdo"));
        QVERIFY(QDir().mkdir(QStringLiteral("W_intlog.wdo")));
        menu_pdf& menu = load_form<menu_pdf>();
        menu.show_modeless();
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");
        menu.Image1_Click();
        qputenv("PATH", path);
        QDir().rmdir(QStringLiteral("W_intlog.wdo"));
        QTRY_COMPARE(fixture_.messages.size(), 2); // the browser's, once it failed
        for (const QString& message : fixture_.messages)
            QVERIFY2(typography::faults(message).isEmpty(), qPrintable(message));
    }

    void print_dialogs_texts_of_our_own() {
        // Ours, where Qt's French translation lacks them or gets them wrong.
        QCOMPARE(QCoreApplication::translate("QPrintSettingsOutput", "Grayscale"),
                 QStringLiteral("Niveaux de gris"));
        QCOMPARE(QCoreApplication::translate("QPrintSettingsOutput", "Double Sided Printing"),
                 QStringLiteral("Recto verso"));
        QCOMPARE(QCoreApplication::translate("QPrintPropertiesDialog", "Printer Properties"),
                 QStringLiteral("Propriétés de l’imprimante"));
        QCOMPARE(QCoreApplication::translate("QCupsJobWidget", "Start:"),
                 QStringLiteral("Début\u00a0:"));
        QCOMPARE(QCoreApplication::translate("QFileDialog",
                                             "%1 already exists.\nDo you want to replace it?"),
                 QStringLiteral("Le fichier %1 existe déjà.\nVoulez-vous le remplacer\u202f?"));
        QCOMPARE(QCoreApplication::translate("QPageSetupWidget", "mm"), QStringLiteral("\u00a0mm"));
        // And Qt's own where it has them.
        QCOMPARE(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("Imprimer"));
        // Numbers in Qt's dialogs, the French way.
        QCOMPARE(QLocale().toString(3.53, 'f', 2), QStringLiteral("3,53"));
    }

    // A failure inside an event's handler does not cross the event loop: it is
    // said in French, once for a burst, and the help goes on.
    void failure_inside_an_event() {
        struct failing : QObject {
            bool event(QEvent*) override { throw error(QStringLiteral("Échec «\u00a0x\u00a0»")); }
        } receiver;
        for (int i = 0; i < 2; ++i) {
            QEvent e(QEvent::User);
            QApplication::sendEvent(&receiver, &e);
        }
        QTRY_COMPARE(fixture_.messages, QStringList{QStringLiteral("Échec «\u00a0x\u00a0»")});
        QVERIFY(fixture_.ends.isEmpty() && !program_ending());
    }

    // A document's text and a file's name show as they stand wherever the help shows
    // them, never read as HTML: no live link, no bold, no picture read from a device
    // or a file (zz, watched). Last of all: it leaves the real message box in place.
    void hostile_text_shows_as_it_is_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("a device's picture") << QStringLiteral("<img src=\"/dev/zero\">");
        QTest::newRow("a file's picture") << QStringLiteral("<img src=\"zz\">");
        QTest::newRow("a live link")
            << QStringLiteral("<a href=\"file:///usr/bin/xterm\">Cliquez ici</a>");
        QTest::newRow("bold") << QStringLiteral("<b>x</b>");
    }
    void hostile_text_shows_as_it_is() {
        QFETCH(QString, text);
        const QString name = QString(text).replace(u'/', u'\\'); // a file's name has no '/'
        const std::string bytes = text.toStdString();
        const pdf_rect note{72, 500, 272, 600}, link{300, 500, 500, 600};
        samples::pdf_builder pdf;
        pdf.add_page({});
        pdf.add_text(0, 72, 700, 14, bytes);
        pdf.add_note(0, note, "Comment", {1, 1, 0}, bytes);
        pdf.add_link_with_action(0, link, pdf.uri_action("x:" + bytes));
        pdf.add_outline(-1, bytes, pdf.xyz(0, {}, {}));
        QVERIFY(pdf.write_file("contenu.pdf") && samples::write_file(name + ".pdf", "pas un PDF") &&
                samples::write_file("zz", "GIF89a") &&
                samples::write_file("W_intlog.wdo",
                                    samples::exchange_file({{"DOC:FCAIS", "contenu.pdf"}})));
        const int watch = inotify_init1(IN_NONBLOCK);
        QVERIFY(inotify_add_watch(watch, "zz", IN_OPEN) >= 0);
        QStringList sinks, html; // what each place shows; the texts read as HTML
        // The real message box; the dialogs (the refusal, the list) are read, then given Esc.
        set_message_box_action({});
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                sinks << texts_of(*modal, &html).join(u'\n');
                QTest::keyClick(modal, Qt::Key_Escape);
            }
        });
        closer.start(10);
        menu_pdf& menu = load_form<menu_pdf>();
        menu.show_modeless();
        pdf_component& c = *viewer().APDF_Objet;
        QTRY_VERIFY(c.document() && c.navigation()->has_outline());
        QVERIFY(probe::wait_for_page(c, 0));
        for (const pdf_rect& r : {note, link}) { // their tooltips
            const QPoint at = probe::on_screen(c, 0, r);
            QHelpEvent hover(QEvent::ToolTip, at, c.view()->viewport()->mapToGlobal(at));
            QApplication::sendEvent(c.view()->viewport(), &hover);
            for (QWidget* tip : QApplication::topLevelWidgets())
                if (tip->inherits("QTipLabel") && tip->isVisible())
                    sinks << texts_of(*tip, &html).join(u'\n');
        }
        QTest::mouseClick(c.view()->viewport(), Qt::LeftButton, {}, probe::on_screen(c, 0, link));
        c.navigation()->show_outline(true);
        c.search()->find_in_folder(text);
        QTRY_VERIFY(!c.folder().results()->status().contains(u'…'));
        sinks << texts_of(*c.navigation()->outline(), &html).join(u'\n')
              << texts_of(*c.folder().results(), &html).join(u'\n');
        fixture_.now += 10;
        menu.show_document_at(name + ".pdf", {}); // not a PDF: the failure panel names it
        QTRY_VERIFY(!c.message().isEmpty());
        sinks << texts_of(viewer(), &html).join(u'\n'); // its caption is the design's
        menu.bt_rech_Click();
        char event[sizeof(inotify_event) + 256];
        QCOMPARE(read(watch, event, sizeof event), ssize_t(-1)); // zz never opened
        close(watch);
        QCOMPARE(sinks.size(), 7);
        for (const QString& sink : sinks)
            QVERIFY2(sink.contains(text) || sink.contains(name), qPrintable(sink));
        for (const QString& read_as_html : html)
            QVERIFY2(!read_as_html.contains(text) && !read_as_html.contains(name),
                     qPrintable(read_as_html));
    }
};

KRV_TEST_MAIN(test_texts)
#include "test_texts.moc"
