// A temporary folder made the current one for the exchange-file tests (the
// program looks for W_intlog.wdo in its current folder), emptied before each test.
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace krv::samples {

class scratch_folder {
public:
    /// Makes the folder current; false when it could not be made.
    bool enter();
    /// Empties the folder and makes it current again (a test may have left it).
    bool renew();
    /// Makes the folder that was current before enter() current again.
    void leave();
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QString previous_;
};

} // namespace krv::samples
