// The setting window tests run in: a temporary folder as the current one (the
// documents' folder), the program's message boxes, its ending and its clock
// caught, so that a test sees what the user would and nothing ends for real.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace krv {

class program_fixture {
public:
    /// Makes a fresh temporary folder current and catches boxes, ending and clock.
    bool set_up();
    /// Between tests: unloads the windows, forgets the shared state and what was
    /// caught, moves the clock well past the last request.
    void reset();
    /// Restores the folder and the program's own boxes, ending and clock.
    void tear_down();

    QString folder() const { return dir_.path(); }
    QString path(const QString& name) const { return dir_.filePath(name); }

    QStringList messages; ///< texts of the message boxes shown
    QStringList titles;   ///< their titles
    QList<int> ends;      ///< statuses given to end_program
    double now = 1000.0;  ///< the clock the program reads

    std::function<void()> on_message; ///< runs while a message box is up

private:
    QTemporaryDir dir_;
    QString previous_;
};

} // namespace krv
