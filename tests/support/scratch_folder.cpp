#include "scratch_folder.h"

#include <QDir>

namespace krv::samples {

bool scratch_folder::enter() {
    if (!dir_.isValid())
        return false;
    previous_ = QDir::currentPath();
    return QDir::setCurrent(dir_.path());
}

bool scratch_folder::renew() {
    QDir::setCurrent(previous_);
    QDir(dir_.path()).removeRecursively();
    return QDir().mkpath(dir_.path()) && QDir::setCurrent(dir_.path());
}

void scratch_folder::leave() {
    QDir::setCurrent(previous_);
}

} // namespace krv::samples
