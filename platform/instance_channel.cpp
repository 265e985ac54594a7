#include "instance_channel.h"

#include "file_names.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
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
// How long a start waits for another one replacing a dead socket file.
constexpr int folder_lock_patience_ms = 1000;

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

// The socket address of a name: a path, or (not starting with "/") a name in the
// abstract namespace (a NUL, then the name, as QLocalServer binds it). False
// when it does not fit.
bool address_of(const QString& name, sockaddr_un& address, socklen_t& length) {
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    const bool abstract = !name.startsWith(u'/');
    const QByteArray encoded = abstract ? name.toUtf8() : encode_file_name(name);
    const qsizetype offset = abstract ? 1 : 0;
    // A path needs its closing NUL.
    if (encoded.size() + 1 > static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path + offset, encoded.constData(),
                static_cast<std::size_t>(encoded.size()));
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + encoded.size() +
                                    (abstract ? 0 : 1));
    return true;
}

// Whether a connection from this process's side is still waited on by the
// peer: a peer that gave up has closed its end.
bool peer_waiting(qintptr descriptor) {
    if (descriptor < 0)
        return false;
    pollfd polled{static_cast<int>(descriptor), POLLRDHUP, 0};
    if (::poll(&polled, 1, 0) < 0)
        return false;
    return (polled.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)) == 0;
}

// The folder a socket file lies in, locked for as long as it lives, so that two
// starts never both take a dead socket file for theirs to replace: the second
// would remove the first one's live socket. Only this program locks it.
class folder_lock {
public:
    explicit folder_lock(const QString& folder)
        : fd_(::open(encode_file_name(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        const QDeadlineTimer deadline(folder_lock_patience_ms);
        while (fd_ >= 0 && !locked_) {
            locked_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
            if (!locked_ && (errno != EWOULDBLOCK || deadline.hasExpired()))
                break;
            if (!locked_)
                QThread::msleep(5);
        }
    }
    ~folder_lock() {
        if (fd_ >= 0)
            ::close(fd_); // the lock goes with it
    }
    folder_lock(const folder_lock&) = delete;
    folder_lock& operator=(const folder_lock&) = delete;
    bool locked() const { return locked_; }

private:
    int fd_;
    bool locked_ = false;
};

// A socket file left by a help that ended without removing it (killed): a
// socket that refuses connections.
bool dead_socket_file(const QString& path) {
    struct stat info {};
    if (::lstat(encode_file_name(path).constData(), &info) != 0 || !S_ISSOCK(info.st_mode))
        return false;
    sockaddr_un address;
    socklen_t length = 0;
    const socket_guard probe{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    if (probe.fd < 0 || !address_of(path, address, length))
        return false;
    return ::connect(probe.fd, reinterpret_cast<const sockaddr*>(&address), length) != 0 &&
           errno == ECONNREFUSED;
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

QString instance_name(unsigned user, const QByteArray& folder, const QString& display,
                      const QString& runtime_folder) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(QByteArray::number(user));
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(folder);
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(display.toUtf8());
    const QString name =
        QStringLiteral("krv_pdf-") + QString::fromLatin1(hash.result().toHex().left(32));
    return runtime_folder.isEmpty() ? name : runtime_folder + u'/' + name;
}

QString private_runtime_folder(const QString& folder) {
    // Another user could listen first under a name anyone may take, and so keep
    // every help of ours from being found: in a folder nobody else may enter,
    // nobody else can.
    struct stat info {};
    if (!folder.startsWith(u'/') || ::stat(encode_file_name(folder).constData(), &info) != 0 ||
        !S_ISDIR(info.st_mode) || info.st_uid != getuid() || (info.st_mode & 077) != 0)
        return {};
    sockaddr_un address;
    socklen_t length = 0;
    if (!address_of(instance_name(0, {}, {}, folder), address, length))
        return {}; // too long a path for a socket
    return folder;
}

QString own_instance_name() {
    const QString runtime = private_runtime_folder(decode_file_name(qgetenv("XDG_RUNTIME_DIR")));
    return instance_name(getuid(), encode_file_name(current_folder()), own_display(), runtime);
}

// Plain system calls rather than QLocalSocket: the asking start has no event
// loop (it asks before its application object is built, to end at once).
hand_over ask_running_help(const QString& name, int timeout_ms) {
    const QDeadlineTimer deadline(timeout_ms);
    const socket_guard socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0)};
    if (socket.fd < 0)
        return hand_over::nobody;
    sockaddr_un address;
    socklen_t length = 0;
    if (!address_of(name, address, length))
        return hand_over::nobody;
    if (::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        if (errno != EAGAIN && errno != EINPROGRESS)
            return hand_over::nobody; // refused, or no socket file: nobody listens
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
    connect(server_, &QLocalServer::newConnection, this, &instance_listener::take_connection);
}

instance_listener::~instance_listener() {
    close();
}

bool instance_listener::listen(const QString& name) {
    const bool abstract = !name.startsWith(u'/');
    server_->setSocketOptions(abstract ? QLocalServer::AbstractNamespaceOption
                                       : QLocalServer::NoOptions);
    if (server_->listen(name) || abstract)
        return server_->isListening();
    // The file of a help that was killed stays behind; replace it, one start at a time.
    const folder_lock lock(folder_of(name));
    if (!lock.locked() || !dead_socket_file(name))
        return false;
    ::unlink(encode_file_name(name).constData());
    return server_->listen(name);
}

void instance_listener::close() {
    // QLocalServer removes its socket file as it closes.
    server_->close();
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
    // A start that gave up waiting (this help was stopped meanwhile) has gone on
    // alone: acting on its request now would show a document it no longer asks for.
    const bool asked = peer->readLine(longest_line) == request_line &&
                       peer->state() == QLocalSocket::ConnectedState &&
                       peer_waiting(peer->socketDescriptor());
    if (asked) {
        peer->write(answer_line);
        peer->flush();
    }
    peer->disconnectFromServer();
    if (asked)
        emit show_requested();
}

} // namespace krv
