// Every text the windows show, as a reader of French expects it: each window is
// walked (texts, tooltips, names and descriptions for screen readers, titles) in
// the states it can be in, and the messages the program can give are checked too.
#include "affic_pdf.h"
#include "document_loading.h"
#include "errors.h"
#include "fixture.h"
#include "krv_pdf2.h"
#include "menu_pdf.h"
#include "modu_declarations.h"
#include "pdf_component.h"
#include "sample_pdf.h"
#include "test_main.h"
#include "typography.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTextDocumentFragment>
#include <QTimer>

#include <cerrno>

using namespace krv;

namespace {

QString plain(const QString& text) {
    return Qt::mightBeRichText(text) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
}

// Every text of a window and its controls, each with where it was found.
QStringList texts_of(QWidget& window) {
    QStringList texts;
    QList<QWidget*> widgets = window.findChildren<QWidget*>();
    widgets.prepend(&window);
    for (QWidget* w : widgets) {
        const QString where = w->metaObject()->className() + (u' ' + w->objectName());
        auto add = [&](const QString& text) {
            if (!text.isEmpty())
                texts << where + u'\t' + plain(text);
        };
        add(w->toolTip());
        add(w->accessibleName());
        add(w->accessibleDescription());
        if (w->isWindow())
            add(w->windowTitle());
        if (auto* label = qobject_cast<QLabel*>(w))
            add(label->text());
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            add(button->text());
        if (auto* field = qobject_cast<QLineEdit*>(w))
            add(field->placeholderText());
        if (auto* list = qobject_cast<QListWidget*>(w))
            for (int i = 0; i < list->count(); ++i)
                add(list->item(i)->text());
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
        viewer().APDF_Objet->open_search();
        viewer().APDF_Objet->find(QStringLiteral("introuvable"));
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
                << pdf_failure_text(e, QStringLiteral("a.pdf"));
        QTest::newRow("folder") << read_document(QDir::currentPath()).failure;
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
        // And Qt's own where it has them.
        QCOMPARE(QCoreApplication::translate("QPrintDialog", "Print"), QStringLiteral("Imprimer"));
        // Numbers in Qt's dialogs, the French way.
        QCOMPARE(QLocale().toString(3.53, 'f', 2), QStringLiteral("3,53"));
    }
};

KRV_TEST_MAIN(test_texts)
#include "test_texts.moc"
