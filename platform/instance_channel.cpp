#include "instance_channel.h"

#include "file_names.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
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

// Closes a socket descriptor when it goes.
struct socket_guard {
    int fd;
    ~socket_guard() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Waits until the socket is ready for `events`, until the deadline at most.
bool wait_for(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd polled{fd, events, 0};
        const int ready = ::poll(&polled, 1, static_cast<int>(deadline.remainingTime()));
        if (ready > 0)
            return (polled.revents & (events | POLLHUP | POLLERR)) != 0;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

int socket_error(int fd) {
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 ? error : errno;
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

// Plain system calls rather than QLocalSocket: the asking start has no event
// loop (it asks before its application object is built, to end at once).
hand_over ask_running_help(const QString& name, int timeout_ms) {
    const QDeadlineTimer deadline(timeout_ms);
    const socket_guard socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    if (socket.fd < 0)
        return hand_over::nobody;
    // An abstract address: a NUL, then the name, as QLocalServer binds it.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = name.toUtf8();
    if (encoded.size() + 1 > static_cast<qsizetype>(sizeof address.sun_path))
        return hand_over::nobody;
    std::memcpy(address.sun_path + 1, encoded.constData(),
                static_cast<std::size_t>(encoded.size()));
    const auto length =
        static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + encoded.size());
    if (::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        if (errno != EAGAIN && errno != EINPROGRESS)
            return hand_over::nobody; // refused: nobody listens
        if (!wait_for(socket.fd, POLLOUT, deadline) || socket_error(socket.fd) != 0)
            return hand_over::no_answer; // listening, but not taking connections
    }
    // Another user's socket under our name is no help of ours.
    if (!same_user(socket.fd))
        return hand_over::no_answer;
    if (::send(socket.fd, request_line, sizeof request_line - 1, MSG_NOSIGNAL) !=
        static_cast<ssize_t>(sizeof request_line - 1))
        return hand_over::no_answer;
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < longest_line) {
        if (!wait_for(socket.fd, POLLIN, deadline))
            return hand_over::no_answer;
        char buffer[longest_line];
        const ssize_t got = ::recv(socket.fd, buffer, sizeof buffer, 0);
        if (got <= 0 && !(got < 0 && (errno == EAGAIN || errno == EINTR)))
            return hand_over::no_answer;
        if (got > 0)
            answer.append(buffer, got);
    }
    return answer == answer_line ? hand_over::taken : hand_over::no_answer;
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
