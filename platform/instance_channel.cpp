#include "instance_channel.h"

#include "file_names.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

namespace krv {

namespace {

// The request and the answer: one short line each.
constexpr char request_line[] = "krv_pdf show\n";
constexpr char answer_line[] = "ok\n";
constexpr int longest_line = 64;
// A peer that says nothing is dropped after this long.
constexpr int peer_patience_ms = 1000;

// Whether the process at the other end of a connected socket is this user's:
// the abstract namespace is shared by every user of the machine.
bool same_user(qintptr descriptor) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        return false;
    return peer.uid == getuid();
}

// The X display without its screen number (":0.0" is ":0"), else Wayland's.
QString own_display() {
    QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("wayland:") + qEnvironmentVariable("WAYLAND_DISPLAY");
    const qsizetype colon = display.lastIndexOf(u':');
    const qsizetype dot = display.indexOf(u'.', colon);
    if (colon >= 0 && dot > colon)
        display.truncate(dot);
    return display;
}

} // namespace

QString instance_name(unsigned user, const QByteArray& folder, const QString& display) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(user));
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(folder);
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(display.toUtf8());
    return QStringLiteral("krv_pdf-") + QString::fromLatin1(hash.result().toHex().left(32));
}

QString own_instance_name() {
    return instance_name(getuid(), encode_file_name(current_folder()), own_display());
}

hand_over ask_running_help(const QString& name, int timeout_ms) {
    const QDeadlineTimer deadline(timeout_ms);
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime())))
        return socket.error() == QLocalSocket::SocketTimeoutError ? hand_over::no_answer
                                                                  : hand_over::nobody;
    // Another user's socket under our name is no help of ours.
    if (!same_user(socket.socketDescriptor()))
        return hand_over::no_answer;
    socket.write(request_line);
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime())))
        return hand_over::no_answer;
    while (!socket.canReadLine() && socket.bytesAvailable() < longest_line) {
        if (deadline.hasExpired() ||
            !socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            return hand_over::no_answer;
    }
    return socket.readLine(longest_line) == answer_line ? hand_over::taken : hand_over::no_answer;
}

instance_listener::instance_listener(QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(server_, &QLocalServer::newConnection, this, &instance_listener::take_connection);
}

instance_listener::~instance_listener() = default;

bool instance_listener::listen(const QString& name) {
    return server_->listen(name);
}

void instance_listener::take_connection() {
    while (QLocalSocket* peer = server_->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        if (!same_user(peer->socketDescriptor())) {
            peer->abort();
            peer->deleteLater();
            continue;
        }
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { read_request(peer); });
        QTimer::singleShot(peer_patience_ms, peer, [peer] { peer->abort(); });
        read_request(peer);
    }
}

void instance_listener::read_request(QLocalSocket* peer) {
    if (!peer->canReadLine() && peer->bytesAvailable() < longest_line)
        return;
    const bool asked = peer->readLine(longest_line) == request_line;
    if (asked) {
        peer->write(answer_line);
        peer->flush();
    }
    peer->disconnectFromServer();
    if (asked)
        emit show_requested();
}

} // namespace krv
