#include "events.h"

#include <QCoreApplication>

namespace krv {

namespace {

int pauses = 0; // GUI thread only

} // namespace

void process_events() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

user_input_pause::user_input_pause() {
    ++pauses;
}

user_input_pause::~user_input_pause() {
    --pauses;
}

bool user_input_paused() {
    return pauses > 0;
}

} // namespace krv
