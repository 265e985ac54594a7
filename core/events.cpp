#include "events.h"

#include <QCoreApplication>

namespace krv {

void process_events() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace krv
