// The exchange file's lower layers: the Windows-1252 code page, the fixed-width
// fields of a record, and the record file with its file numbers.
#include "codepage.h"
#include "enreg_intlog.h"
#include "errors.h"
#include "exchange.h"
#include "program_end.h"
#include "record_file.h"
#include "scratch_folder.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace krv;

namespace {

const QString exchange = QStringLiteral("W_intlog.wdo");

QString padded(const QString& value, int width = 40) {
    return value.leftJustified(width, u' ', true);
}

} // namespace

class test_record_file : public QObject {
    Q_OBJECT
    samples::scratch_folder folder_;

private slots:
    void initTestCase() { QVERIFY(folder_.enter()); }
    void cleanup() {
        QFile::remove(exchange);
        QDir().rmdir(exchange);
    }
    void cleanupTestCase() { folder_.leave(); }

    // ---------------------------------------------------------- code page and fields
    void code_page_agrees_with_qt() {
        QStringDecoder decoder("windows-1252");
        QVERIFY(decoder.isValid());
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            const QString qt = decoder.decode(QByteArrayView(&byte, 1));
            const char16_t ours = cp1252_to_char(static_cast<std::uint8_t>(b));
            QCOMPARE(char_to_cp1252(ours), static_cast<std::uint8_t>(b));
            if (qt.size() == 1 && qt[0] != QChar::ReplacementCharacter)
                QCOMPARE(ours, qt[0].unicode());
        }
        QCOMPARE(cp1252_to_char(0x80), u'€');
        QCOMPARE(char_to_cp1252(u'é'), std::uint8_t(0xE9));
        QCOMPARE(char_to_cp1252(u'Ω'), std::uint8_t('?'));
    }

    void fields_are_padded_and_cut_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::newRow("short") << "Tarifs.pdf" << padded("Tarifs.pdf");
        QTest::newRow("exactly 40") << QString(40, u'x') << QString(40, u'x');
        QTest::newRow("41 loses the last") << QString(40, u'x') + u'y' << QString(40, u'x');
        QTest::newRow("empty") << "" << QString(40, u' ');
        QTest::newRow("accents") << "Règlement été.pdf" << padded("Règlement été.pdf");
    }
    void fields_are_padded_and_cut() {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        enreg_intlog record;
        record.valeur.assign(text);
        enreg_intlog back;
        back.from_bytes(record.to_bytes());
        QCOMPARE(back.valeur.text(), stored);
    }

    void record_reads_every_character() {
        enreg_intlog::bytes bytes{};
        bytes[0] = 'A';
        bytes[1] = 0xE9;
        bytes[124] = 0xFF;
        bytes[125] = 0xFF;
        bytes[126] = 0xFF;
        bytes[127] = 0xFF;
        enreg_intlog record;
        record.from_bytes(bytes);
        QCOMPARE(record.cle.text(), QStringLiteral("Aé") + QString(13, QChar(0)));
        QCOMPARE(record.nombre, -1);
        QCOMPARE(record.to_bytes(), bytes);
    }

    // ---------------------------------------------------------- record file
    void record_file_reads_zero_beyond_end() {
        QVERIFY(samples::write_file(exchange, QByteArray(200, 'a')));
        record_file file;
        file.open(exchange, 128, free_file_number());
        std::array<std::uint8_t, 128> rec{};
        file.read(2, rec); // bytes 128..199 exist, the rest reads as zero
        QCOMPARE(rec[71], std::uint8_t('a'));
        QCOMPARE(rec[72], std::uint8_t(0));
        file.read(10, rec);
        QVERIFY(std::all_of(rec.begin(), rec.end(), [](auto b) { return b == 0; }));
        rec.fill('z');
        file.write(4, rec); // leaves a zero gap after byte 200
        file.close();
        const QByteArray all = samples::read_file(exchange);
        QCOMPARE(all.size(), 512);
        QCOMPARE(all.mid(200, 184), QByteArray(184, 0));
        QCOMPARE(all.mid(384), QByteArray(128, 'z'));
    }

    void record_file_refuses_numbers_below_one_data() {
        QTest::addColumn<int>("number");
        QTest::newRow("0") << 0;
        QTest::newRow("-1") << -1;
        QTest::newRow("lowest") << int(INT32_MIN);
    }
    void record_file_refuses_numbers_below_one() {
        QFETCH(int, number);
        QVERIFY(samples::write_file(exchange, QByteArray(128, 'a')));
        record_file file;
        file.open(exchange, 128, free_file_number());
        std::array<std::uint8_t, 128> rec{};
        QVERIFY_THROWS_EXCEPTION(bad_record_number_error, file.read(number, rec));
        QVERIFY_THROWS_EXCEPTION(bad_record_number_error, file.write(number, rec));
        file.close();
        QCOMPARE(samples::read_file(exchange), QByteArray(128, 'a'));
    }

    void record_file_reports_the_system_message() {
        QVERIFY(QDir().mkdir(exchange));
        record_file file;
        try {
            file.open(exchange, 128, 1);
            QFAIL("a folder opened as a record file");
        } catch (const file_error& e) {
            QCOMPARE(e.system_error(), EISDIR);
            QVERIFY(e.description().contains(exchange));
            QVERIFY(e.description().contains(system_message(EISDIR)));
        }
        QVERIFY(!file.is_open());
    }

    void a_link_is_read_and_never_written() {
        const QByteArray target = QByteArray(128, 'c') + QByteArray(128, 'd');
        QVERIFY(samples::write_file(QStringLiteral("cible.dat"), target));
        QVERIFY(QFile::link(QStringLiteral("cible.dat"), exchange));
        record_file file;
        file.open(exchange, 128, 1);
        QCOMPARE(file.access(), record_access::through_link);
        std::array<std::uint8_t, 128> record{};
        file.read(2, record);
        QCOMPARE(record[0], std::uint8_t('d'));
        QVERIFY_THROWS_EXCEPTION(error, file.write(1, record));
        file.close();
        QCOMPARE(samples::read_file(QStringLiteral("cible.dat")), target);
        QFile::remove(QStringLiteral("cible.dat"));
    }

    void close_all_files_closes_everything_data() {
        QTest::addColumn<bool>("at_the_end");
        QTest::newRow("asked") << false;
        QTest::newRow("the program ending") << true; // as end_program runs it
    }

    void close_all_files_closes_everything() {
        QFETCH(bool, at_the_end);
        record_file a, b;
        a.open(QStringLiteral("a.dat"), 128, free_file_number());
        b.open(QStringLiteral("b.dat"), 128, free_file_number());
        QCOMPARE(a.file_number(), std::int16_t(1));
        QCOMPARE(b.file_number(), std::int16_t(2));
        at_the_end ? run_program_end_steps() : close_all_files();
        QVERIFY(!a.is_open());
        QVERIFY(!b.is_open());
        QCOMPARE(free_file_number(), std::int16_t(1));
    }

    void record_bytes_match_the_host_helper() {
        // The program's encoder against the tests' own, byte for byte.
        enreg_intlog record;
        record.cle.assign(u"DOC:FCAIS");
        record.zone8.assign(u"");
        record.valeur.assign(u"Règlement €.pdf");
        record.zone1.assign(u"");
        record.zone60.assign(u"");
        record.nombre = -2;
        const auto raw = record.to_bytes();
        const QByteArray ours(reinterpret_cast<const char*>(raw.data()), enreg_intlog::length);
        QCOMPARE(ours, samples::record_bytes("DOC:FCAIS", "Règlement €.pdf", -2));
    }
};

QTEST_GUILESS_MAIN(test_record_file)
#include "test_record_file.moc"
