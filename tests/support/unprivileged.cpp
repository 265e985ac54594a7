#include "unprivileged.h"

#include <QFile>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace krv::samples {

namespace {

constexpr int cannot_drop = 125;

bool write_all(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (put <= 0)
            return false;
        done += put;
    }
    return true;
}

bool drop_privileges() {
    if (::geteuid() != 0)
        return true; // already bound by permissions
    const std::optional<user_ids> ids = nobody();
    return ids && ::setgroups(0, nullptr) == 0 && ::setresgid(ids->gid, ids->gid, ids->gid) == 0 &&
           ::setresuid(ids->uid, ids->uid, ids->uid) == 0 && ::geteuid() != 0;
}

} // namespace

std::optional<user_ids> nobody() {
    const passwd* user = ::getpwnam("nobody");
    if (!user)
        return std::nullopt;
    return user_ids{user->pw_uid, user->pw_gid};
}

std::optional<QByteArray> run_unprivileged(const std::function<QByteArray()>& work, QString* why) {
    int fds[2];
    if (::pipe(fds) != 0) {
        *why = QStringLiteral("no pipe");
        return std::nullopt;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        if (!drop_privileges())
            ::_exit(cannot_drop);
        ::_exit(write_all(fds[1], work()) ? 0 : 1);
    }
    ::close(fds[1]);
    QByteArray out;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0)
            break;
        out.append(buffer, got);
    }
    ::close(fds[0]);
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) {
        *why = QStringLiteral("no child process");
        return std::nullopt;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == cannot_drop) {
        *why = QStringLiteral("running as root and no user \"nobody\" to become");
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *why = QStringLiteral("the unprivileged child failed (status %1)").arg(status);
        return std::nullopt;
    }
    return out;
}

bool give_to_nobody(const QString& path) {
    if (::geteuid() != 0)
        return true; // ours already, and we are not the super-user
    const std::optional<user_ids> ids = nobody();
    return ids && ::chown(QFile::encodeName(path).constData(), ids->uid, ids->gid) == 0;
}

} // namespace krv::samples
