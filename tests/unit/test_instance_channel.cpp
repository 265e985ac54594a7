// The channel that keeps one help at a time: its name tells users, folders and
// displays apart, in a runtime folder only the user may enter; a listening help
// takes a later start's request and answers, and drops one whose asker gave up;
// a name nobody holds, and a holder that never answers, are told apart.
#include "instance_channel.h"
#include "unprivileged.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUuid>

#include <atomic>
#include <future>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace krv;

namespace {

QString fresh_name() {
    return QStringLiteral("krv_pdf-test-") + QUuid::createUuid().toString(QUuid::Id128);
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

    // A start that gave up waiting went on alone: its request is dropped unanswered.
    // It closes its end; here its writing end only, so as to see no answer come.
    void a_request_whose_asker_gave_up_is_dropped() {
        const QString name = fresh_name();
        instance_listener listener;
        QVERIFY(listener.listen(name));
        int asked = 0;
        connect(&listener, &instance_listener::show_requested, this, [&] { ++asked; });
        sockaddr_un address{AF_UNIX, {}}; // abstract: a NUL, then the name
        qstrncpy(address.sun_path + 1, name.toUtf8().constData(), sizeof address.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QCOMPARE(::connect(fd, reinterpret_cast<const sockaddr*>(&address),
                           offsetof(sockaddr_un, sun_path) + 1 + name.size()),
                 0);
        QCOMPARE(::write(fd, "krv_pdf show\n", 13), 13);
        ::shutdown(fd, SHUT_WR);
        char byte = 0;
        auto answer = std::async(std::launch::async, [&] { return ::read(fd, &byte, 1); });
        QTRY_VERIFY(answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QCOMPARE(answer.get(), 0); // the end, and nothing before it
        ::close(fd);
        QCOMPARE(asked, 0);
    }

    // Only where the user alone may enter: no other user can listen there first.
    void the_runtime_folder_must_be_private() {
        QTemporaryDir dir;
        const QByteArray path = QFile::encodeName(dir.path());
        for (const int mode : {0750, 0705, 0700}) {
            QCOMPARE(::chmod(path.constData(), static_cast<mode_t>(mode)), 0);
            QCOMPARE(private_runtime_folder(dir.path()), mode == 0700 ? dir.path() : QString());
        }
        if (::geteuid() == 0 && samples::give_to_nobody(dir.path()))
            QCOMPARE(private_runtime_folder(dir.path()), QString()); // another user's
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
