// The channel that keeps one help at a time: its name tells users, folders and
// displays apart, in a runtime folder only the user may enter; a listening help
// takes a later start's request and answers, and drops one whose asker has given
// up; a name nobody holds, and a holder that never answers, are told apart; the
// socket file of a help that was killed is replaced, and a help's own goes with it.
#include "instance_channel.h"
#include "unprivileged.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUuid>

#include <atomic>
#include <cstring>
#include <future>
#include <memory>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace krv;

namespace {

QString fresh_name() {
    return QStringLiteral("krv_pdf-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

// A socket connected to a path, or to an abstract name; -1 when it cannot be.
int connected_to(const QString& name) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = name.toUtf8();
    const int offset = name.startsWith(u'/') ? 0 : 1;
    std::memcpy(address.sun_path + offset, bytes.constData(), static_cast<size_t>(bytes.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + bytes.size());
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0)
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// What the listener sent back before closing, read until the end or 5 s.
QByteArray answer_of(int fd) {
    QByteArray answer;
    char buffer[64];
    for (pollfd polled{fd, POLLIN, 0}; ::poll(&polled, 1, 5000) > 0;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        answer.append(buffer, got);
    }
    ::close(fd);
    return answer;
}

} // namespace

class test_instance_channel : public QObject {
    Q_OBJECT

private slots:
    void names_tell_apart_data() {
        QTest::addColumn<unsigned>("user");
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QString>("display");
        QTest::addColumn<bool>("same");
        QTest::newRow("same user, folder and display")
            << 1000u << QByteArray("/doc") << ":0" << true;
        QTest::newRow("another user") << 1001u << QByteArray("/doc") << ":0" << false;
        QTest::newRow("another folder") << 1000u << QByteArray("/doc2") << ":0" << false;
        QTest::newRow("another display") << 1000u << QByteArray("/doc") << ":1" << false;
        // The parts are kept apart: moving a character from one to the next is another name.
        QTest::newRow("parts kept apart") << 100u << QByteArray("0/doc") << ":0" << false;
        QTest::newRow("a very long folder") << 1000u << QByteArray(4000, 'd') << ":0" << false;
    }
    void names_tell_apart() {
        QFETCH(unsigned, user);
        QFETCH(QByteArray, folder);
        QFETCH(QString, display);
        QFETCH(bool, same);
        const QString base = instance_name(1000, "/doc", ":0");
        const QString name = instance_name(user, folder, display);
        QCOMPARE(name == base, same);
        QVERIFY(name.size() < 100); // fits a socket address, whatever the folder
    }

    void a_listening_help_takes_the_request() {
        const QString name = fresh_name();
        QThread thread;
        instance_listener listener;
        QVERIFY(listener.listen(name));
        std::atomic<int> asked = 0; // counted on the listener's thread
        connect(
            &listener, &instance_listener::show_requested, &listener, [&] { ++asked; },
            Qt::DirectConnection);
        listener.moveToThread(&thread);
        thread.start();
        QCOMPARE(ask_running_help(name, 5000), hand_over::taken);
        QTRY_COMPARE(asked.load(), 1);
        QCOMPARE(ask_running_help(name, 5000), hand_over::taken);
        QTRY_COMPARE(asked.load(), 2);
        QMetaObject::invokeMethod(
            &listener, [&] { listener.moveToThread(QCoreApplication::instance()->thread()); },
            Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }

    void a_name_held_cannot_be_taken_again() {
        const QString name = fresh_name();
        instance_listener first;
        QVERIFY(first.listen(name));
        instance_listener second;
        QVERIFY(!second.listen(name));
    }

    void nobody_listening() { QCOMPARE(ask_running_help(fresh_name(), 5000), hand_over::nobody); }

    // A start that stopped waiting (the help was stopped meanwhile) has gone on
    // alone: its request is dropped, unanswered. It closes its end; here only
    // its writing end, so that the test still sees that no answer comes.
    void a_request_whose_asker_gave_up_is_dropped() {
        const QString name = fresh_name();
        instance_listener listener;
        QVERIFY(listener.listen(name));
        int asked = 0;
        connect(&listener, &instance_listener::show_requested, this, [&] { ++asked; });
        const int fd = connected_to(name);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "krv_pdf show\n", 13), 13);
        ::shutdown(fd, SHUT_WR);
        auto answer = std::async(std::launch::async, [fd] { return answer_of(fd); });
        QTRY_VERIFY(answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QCOMPARE(answer.get(), QByteArray());
        QCOMPARE(asked, 0);
    }

    // Only where the user alone may enter: another user cannot listen there first.
    void the_runtime_folder_must_be_private_data() {
        QTest::addColumn<QString>("child");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("nobodys");
        QTest::addColumn<bool>("kept");
        QTest::newRow("mode 0700, the user's") << "run" << 0700 << false << true;
        QTest::newRow("open to the group") << "run" << 0750 << false << false;
        QTest::newRow("open to all") << "run" << 0777 << false << false;
        QTest::newRow("another user's") << "run" << 0700 << true << false;
        QTest::newRow("a file") << "file" << 0600 << false << false;
        QTest::newRow("missing") << "absent" << 0700 << false << false;
        QTest::newRow("too long for a socket") << QString(90, u'r') << 0700 << false << false;
    }
    void the_runtime_folder_must_be_private() {
        QFETCH(QString, child);
        QFETCH(int, mode);
        QFETCH(bool, nobodys);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        const QString folder = dir.filePath(child);
        if (child == u"file")
            QVERIFY(QFile(folder).open(QIODevice::WriteOnly));
        else if (child != u"absent")
            QVERIFY(QDir().mkdir(folder));
        if (nobodys && (::geteuid() != 0 || !samples::give_to_nobody(folder)))
            QSKIP("needs the super-user and a user nobody");
        if (child != u"absent")
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), static_cast<mode_t>(mode)) == 0);
        QCOMPARE(private_runtime_folder(folder), kept ? folder : QString());
        QCOMPARE(private_runtime_folder(QStringLiteral("relative")), QString());
    }

    // A help killed leaves its socket file: the next help takes its place; a
    // live one keeps it; a help that ends removes its own.
    void socket_files_in_the_runtime_folder() {
        QTemporaryDir dir;
        const QString runtime = private_runtime_folder(dir.path());
        QVERIFY(!runtime.isEmpty());
        const QString name = instance_name(1000, "/doc", ":0", runtime);
        QVERIFY(name.startsWith(runtime + u'/'));
        // A socket bound there and closed, its file left, as a kill leaves it.
        const int killed = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, QFile::encodeName(name).constData(),
                    static_cast<size_t>(QFile::encodeName(name).size()));
        QCOMPARE(::bind(killed, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        QCOMPARE(::listen(killed, 1), 0);
        ::close(killed);
        QVERIFY(QFileInfo::exists(name));
        QCOMPARE(ask_running_help(name, 1000), hand_over::nobody);
        auto live = std::make_unique<instance_listener>();
        QVERIFY(live->listen(name));
        instance_listener second;
        QVERIFY(!second.listen(name));
        auto asked = std::async(std::launch::async, [&] { return ask_running_help(name, 5000); });
        QTRY_VERIFY(asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QCOMPARE(asked.get(), hand_over::taken);
        live.reset();
        QVERIFY(!QFileInfo::exists(name));
    }

    // Something holds the name but never reads: the later start gives up in time.
    void a_holder_that_never_answers() {
        const QString name = fresh_name();
        QLocalServer silent;
        silent.setSocketOptions(QLocalServer::AbstractNamespaceOption);
        QVERIFY(silent.listen(name));
        QCOMPARE(ask_running_help(name, 200), hand_over::no_answer);
    }
};

QTEST_GUILESS_MAIN(test_instance_channel)
#include "test_instance_channel.moc"
