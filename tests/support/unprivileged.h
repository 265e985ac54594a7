// Work done as an unprivileged user, where the super-user would bypass the
// permissions a test is about.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace krv::samples {

/// The user and group ids of "nobody", or nothing when the system has no such user.
struct user_ids {
    unsigned uid;
    unsigned gid;
};
std::optional<user_ids> nobody();

/// Runs `work` in a child process that is not the super-user (the user "nobody"
/// when this process is root) and returns the bytes `work` returned. Nothing, with
/// the reason in `why`, when no unprivileged child could be made.
std::optional<QByteArray> run_unprivileged(const std::function<QByteArray()>& work, QString* why);

/// Gives a file or folder to "nobody" (so that its mode alone decides); false on failure.
bool give_to_nobody(const QString& path);

} // namespace krv::samples
