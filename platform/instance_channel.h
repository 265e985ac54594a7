// One help at a time for a user, a documents' folder and a display: the first
// help listens on a local socket named from the three, in the user's private
// runtime folder (or, where there is none, in Linux's abstract namespace); a
// later start asks it to show what the host asks for now, and ends. Only a peer
// of the same user is heard, and only a listener of the same user is asked.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace krv {

/// The socket's name for a user, a folder (its bytes) and a display: a hash,
/// so that any folder fits and the name tells nothing of them. A path in
/// `runtime_folder` when one is given, else a name in the abstract namespace,
/// which every user of the machine shares.
QString instance_name(unsigned user, const QByteArray& folder, const QString& display,
                      const QString& runtime_folder = {});

/// `folder` when it is a private runtime folder of this user (a folder of its
/// own, closed to everyone else: mode 0700) where a socket's path fits; empty
/// otherwise.
QString private_runtime_folder(const QString& folder);

/// The name for this process: its user, its current folder and its display, in
/// its private $XDG_RUNTIME_DIR where it has one (read from the environment:
/// no application object is needed).
QString own_instance_name();

/// What asking a running help came to.
enum class hand_over {
    taken,     ///< a help of this user took the request: this process can end
    nobody,    ///< no help listens under the name
    no_answer, ///< something listens but did not take the request in time
};

/// Asks the help listening on `name` to show the host's document, waiting at
/// most `timeout_ms` for its answer. Needs no application object.
hand_over ask_running_help(const QString& name, int timeout_ms);

/// The listening side: a request whose asker still waits for the answer is
/// answered, then show_requested is emitted; one whose asker has given up (it
/// waited for a help that was stopped, and went on alone) is dropped unanswered.
class instance_listener : public QObject {
    Q_OBJECT
public:
    explicit instance_listener(QObject* parent = nullptr);
    ~instance_listener() override;

    /// Takes the name; false when a live listener holds it. A socket file that
    /// nobody listens on any more (its help was killed) is replaced.
    bool listen(const QString& name);
    /// Gives the name back (a socket file is removed).
    void close();

signals:
    /// A later start asks for the host's document to be shown here.
    void show_requested();

private:
    void take_connection();
    void read_request(QLocalSocket* peer);

    QLocalServer* server_;
};

} // namespace krv
