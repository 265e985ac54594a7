// French typography in every text of the program's source: each string literal of
// the layers that show text is checked, so that a new message with a plain space
// before its colon or a straight apostrophe fails here before anyone sees it.
#include "typography.h"

#include <QDirIterator>
#include <QFile>
#include <QTest>

using namespace krv;

class test_typography : public QObject {
    Q_OBJECT

private slots:
    void the_rules_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("right");
        QTest::newRow("non-breaking space before colon") << "Document vide\u00a0: a.pdf" << true;
        QTest::newRow("plain space before colon") << "Document vide : a.pdf" << false;
        QTest::newRow("narrow space before question") << "Les corriger\u202f?" << true;
        QTest::newRow("plain space before question") << "Les corriger ?" << false;
        QTest::newRow("plain space before semicolon") << "des virgules ; un" << false;
        QTest::newRow("guillemets with non-breaking spaces") << "«\u00a0a.pdf\u00a0»" << true;
        QTest::newRow("guillemets with plain spaces") << "« a.pdf »" << false;
        QTest::newRow("typographic apostrophe") << "Sortie de l’aide" << true;
        QTest::newRow("straight apostrophe") << "De l'aide" << false;
        QTest::newRow("a design string as written") << "Sortie de l'aide" << true;
        QTest::newRow("our text round a design string") << "Sortie de l'aide (Échap)" << false;
        QTest::newRow("percent after a non-breaking space") << "112\u00a0%" << true;
        QTest::newRow("percent after a plain space") << "112 %" << false;
        QTest::newRow("colon glued to its word") << "Pages: 3" << false;
        QTest::newRow("a web address") << "https://www.krv.example/" << true;
        QTest::newRow("a key") << "Ctrl+O" << true;
    }
    void the_rules() {
        QFETCH(QString, text);
        QFETCH(bool, right);
        QCOMPARE(typography::faults(text).isEmpty(), right);
    }

    void every_string_of_the_program() {
        QStringList found;
        int files = 0;
        for (const char* layer : {"core", "intlog", "platform", "app", "forms", "reader"}) {
            QDirIterator it(QStringLiteral(KRV_SOURCE_DIR "/") + QLatin1String(layer),
                            {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files);
            while (it.hasNext()) {
                QFile file(it.next());
                QVERIFY(file.open(QIODevice::ReadOnly));
                ++files;
                int number = 0;
                while (!file.atEnd()) {
                    const QString line = QString::fromUtf8(file.readLine()).trimmed();
                    ++number;
                    if (line.startsWith(u"//") || line.startsWith(u"#include"))
                        continue;
                    for (const QString& text : typography::string_literals(line))
                        for (const QString& fault :
                             typography::faults(text, typography::found_in::source))
                            found << QStringLiteral("%1:%2: %3")
                                         .arg(it.fileInfo().fileName())
                                         .arg(number)
                                         .arg(fault);
                }
            }
        }
        QVERIFY(files > 40);
        QVERIFY2(found.isEmpty(), qPrintable(found.join(u'\n')));
    }
};

QTEST_APPLESS_MAIN(test_typography)
#include "test_typography.moc"
