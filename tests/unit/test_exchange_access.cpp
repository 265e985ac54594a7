// Who may write the exchange file: never through a symbolic link, never a FIFO
// or a device, and a file the user may only read is still read, as an
// unprivileged user (the super-user would bypass the permissions).
#include "exchange.h"
#include "lookup.h"
#include "record_file.h"
#include "scratch_folder.h"
#include "unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <random>
#include <sys/stat.h>

using namespace krv;
using namespace krv::samples;

namespace {

const QString exchange = QStringLiteral("W_intlog.wdo");

QByteArray foreign_record(std::int32_t n) {
    return samples::record_bytes("#init#", {}, n);
}

QByteArray read_all(const QString& path) {
    return samples::read_file(path);
}

} // namespace

class test_exchange_access : public QObject {
    Q_OBJECT
    samples::scratch_folder folder_;

private slots:
    void initTestCase() { QVERIFY(folder_.enter()); }
    void init() { QVERIFY(folder_.renew()); }
    void cleanupTestCase() { folder_.leave(); }

    // ---------------------------------------------------------- links and special files
    void symbolic_link_is_never_written_through_data() {
        QTest::addColumn<QByteArray>("target"); // null: the link leads nowhere
        QTest::addColumn<outcome>("kind");
        QTest::addColumn<QString>("said"); // part of the message; the value when found
        QByteArray binary(300, 0);
        std::mt19937 random(7);
        for (auto& b : binary)
            b = static_cast<char>(random() | 1);
        const QString foreign = QStringLiteral("ne commence pas par l’en-tête attendu");
        QTest::newRow("18-byte text")
            << QByteArray("Bonjour le monde!\n") << outcome::other_error << foreign;
        QTest::newRow("binary") << binary << outcome::other_error << foreign;
        QTest::newRow("longer text") << QByteArray(1000, 'a') << outcome::other_error << foreign;
        const QString link = QStringLiteral("est un lien symbolique et n’a pas d’en-tête");
        QTest::newRow("empty target") << QByteArray("") << outcome::other_error << link;
        QTest::newRow("zero target") << QByteArray(256, 0) << outcome::other_error << link;
        QTest::newRow("missing target")
            << QByteArray() << outcome::other_error
            << QStringLiteral("est un lien symbolique vers un fichier absent");
        QTest::newRow("valid exchange file is read")
            << samples::exchange_file({{"DOC:FCAIS", "lien.pdf"}}) << outcome::value
            << padded("lien.pdf");
    }
    void symbolic_link_is_never_written_through() {
        QFETCH(QByteArray, target);
        QFETCH(outcome, kind);
        QFETCH(QString, said);
        QVERIFY(QDir().mkdir("ailleurs"));
        const QString target_path = QDir::current().filePath("ailleurs/cible.dat");
        if (!target.isNull())
            QVERIFY(samples::write_file(target_path, target));
        QVERIFY(QFile::link(target_path, exchange));
        for (int start = 0; start < 2; ++start) {
            const lookup_result r = lookup(QStringLiteral("DOC:FCAIS"));
            QCOMPARE(r.kind, kind);
            QVERIFY2(r.value.contains(said), qPrintable(r.value));
            QCOMPARE(QFile::exists(target_path), !target.isNull());
            QCOMPARE(read_all(target_path), target); // byte for byte
            QVERIFY(QFileInfo(exchange).isSymLink());
            QCOMPARE(free_file_number(), std::int16_t(1));
        }
    }

    void special_files_are_refused_at_once_data() {
        QTest::addColumn<QString>("kind"); // what W_intlog.wdo is
        QTest::addColumn<QString>("said");
        QTest::newRow("FIFO") << "fifo"
                              << "n’est pas un fichier ordinaire (tube nommé)";
        QTest::newRow("link to a FIFO") << "fifo link"
                                        << "n’est pas un fichier ordinaire (tube nommé)";
        QTest::newRow("link to /dev/zero") << "/dev/zero"
                                           << "(périphérique)";
        QTest::newRow("link to /dev/null") << "/dev/null"
                                           << "(périphérique)";
        QTest::newRow("link to itself") << "loop"
                                        << "Trop de liens symboliques";
        QTest::newRow("folder") << "folder"
                                << "C’est un dossier";
    }
    void special_files_are_refused_at_once() {
        QFETCH(QString, kind);
        QFETCH(QString, said);
        const QByteArray name = exchange.toUtf8();
        if (kind == "fifo") {
            QCOMPARE(::mkfifo(name.constData(), 0666), 0);
        } else if (kind == "fifo link") {
            QCOMPARE(::mkfifo("tube", 0666), 0);
            QVERIFY(QFile::link("tube", exchange));
        } else if (kind == "loop") {
            QCOMPARE(::symlink(name.constData(), name.constData()), 0);
        } else if (kind == "folder") {
            QVERIFY(QDir().mkdir(exchange));
        } else {
            QVERIFY(QFile::link(kind, exchange));
        }
        // Opening a FIFO for reading would wait for a writer for ever: not here.
        const lookup_result r = lookup(QStringLiteral("DOC:FCAIS"));
        QCOMPARE(r.kind, outcome::other_error);
        QVERIFY2(r.value.contains(said), qPrintable(r.value));
        QVERIFY(r.value.contains(exchange));
        QCOMPARE(free_file_number(), std::int16_t(1));
    }

    // ---------------------------------------------------------- read-only files
    void read_only_file_is_read_data() {
        QTest::addColumn<QByteArray>("file"); // null: no file
        QTest::addColumn<bool>("folder_writable");
        QTest::addColumn<QString>("answer"); // "value: ..." or "error: ..."
        const QByteArray valid = samples::exchange_file({{"DOC:FCAIS", "lecture.pdf"}});
        QTest::newRow("file 0444") << valid << true << "value: " + padded("lecture.pdf");
        QTest::newRow("folder not writable") << valid << false << "value: " + padded("lecture.pdf");
        QTest::newRow("empty file 0444")
            << QByteArray("") << true
            << "error: Le fichier d’échange W_intlog.wdo n’a pas d’en-tête et l’aide n’a pas le "
               "droit d’y écrire\u00a0; il n’a pas été initialisé.";
        QTest::newRow("foreign record, 0444")
            << foreign_record(32766) << true
            << "error: Le fichier d’échange W_intlog.wdo ne commence pas par l’en-tête "
               "attendu\u00a0; il n’a pas été modifié.";
        QTest::newRow("missing, folder not writable")
            << QByteArray() << false
            << "error: Impossible de créer le fichier «\u00a0W_intlog.wdo\u00a0»\u00a0: Accès "
               "refusé";
    }
    void read_only_file_is_read() {
        QFETCH(QByteArray, file);
        QFETCH(bool, folder_writable);
        QFETCH(QString, answer);
        const QByteArray folder = QFile::encodeName(QDir::currentPath());
        if (!file.isNull()) {
            QVERIFY(samples::write_file(exchange, file));
            QCOMPARE(::chmod("W_intlog.wdo", folder_writable ? 0444 : 0644), 0);
            if (folder_writable) // the mode alone forbids writing
                QVERIFY(samples::give_to_nobody(exchange));
        }
        QCOMPARE(::chmod(folder.constData(), folder_writable ? 0777 : 0755), 0);
        QString why;
        const std::optional<QByteArray> got = samples::run_unprivileged(
            [] {
                const lookup_result r = lookup(QStringLiteral("DOC:FCAIS"));
                return (r.kind == outcome::value ? "value: " : "error: ") + r.value.toUtf8();
            },
            &why);
        ::chmod(folder.constData(), 0700);
        if (!got)
            QSKIP(qPrintable(why));
        QCOMPARE(QString::fromUtf8(*got), answer);
        QCOMPARE(read_all(exchange), file.isNull() ? QByteArray() : file);
        QCOMPARE(QFile::exists(exchange), !file.isNull());
    }
};

QTEST_GUILESS_MAIN(test_exchange_access)
#include "test_exchange_access.moc"
