#include "modu_declarations.h"

#include "controls.h"
#include "desktop.h"
#include "errors.h"
#include "failures.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace krv {

namespace {

std::function<double()>& clock_function() {
    static std::function<double()> clock;
    return clock;
}

// Border pieces, as laid inside the window's outer rectangle.
constexpr float corner = 480.0f;
constexpr float two_corners = 960.0f;
constexpr int piece_count = 8;

// Loop counter of the picture copy, kept at module level as the design has it.
std::int16_t piece_index = 0;

// Clock reading at which the running wait ends; none while no wait runs.
std::optional<double> fin_attente;

} // namespace

shared_state& shared() {
    static shared_state state;
    return state;
}

double clock_seconds() {
    if (clock_function())
        return clock_function()();
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void set_clock(std::function<double()> clock) {
    clock_function() = std::move(clock);
}

double seconds_until_accepted(const shared_state& state, double now) {
    if (!state.heure_ouverture)
        return 0; // the first request is always accepted
    const double left = *state.heure_ouverture + debounce_seconds - now;
    // Exactly the half second is still too soon.
    return left >= 0 ? std::max(left, 1e-3) : 0;
}

void attente() {
    set_mouse_pointer(mouse_pointer::busy);
    if (fin_attente) {
        // Refused again from inside the running wait: that wait holds on longer.
        // A wait inside a wait would grow the stack with every request of a flood.
        fin_attente = clock_seconds() + wait_seconds;
        return;
    }
    fin_attente = clock_seconds() + wait_seconds;
    for (double left = *fin_attente - clock_seconds(); left > 0 && !program_ending();
         left = *fin_attente - clock_seconds()) {
        // Sleep in the event loop until an event comes or the time is up.
        QEventLoop loop;
        const int ms = static_cast<int>(std::ceil(std::min(left, 0.1) * 1000.0));
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    fin_attente.reset();
    set_mouse_pointer(mouse_pointer::arrow);
}

void habille_fenetre(form& fenetre, form& store) {
    const auto ccb = control_array(fenetre, QStringLiteral("ccb"));
    if (ccb.size() != piece_count)
        throw error(QStringLiteral("La fenêtre à habiller n’a pas ses huit pièces de bordure"));
    const float W = fenetre.twips_width();
    const float H = fenetre.twips_height();
    auto lay = [&](int i, float left, float top, std::optional<float> width,
                   std::optional<float> height) {
        const QRect px = ccb[i]->geometry();
        twips_rect r{left, top, to_twips(px.width()), to_twips(px.height())};
        if (width)
            r.width = *width;
        if (height)
            r.height = *height;
        if (r.width < 0 || r.height < 0)
            throw error(QStringLiteral("Fenêtre trop petite pour sa bordure"));
        form::place(ccb[i], r);
    };
    lay(0, 0, 0, {}, {});
    lay(1, W - corner, 0, {}, {});
    lay(2, W - corner, H - corner, {}, {});
    lay(3, 0, H - corner, {}, {});
    lay(4, 0, corner, {}, H - two_corners);
    lay(5, corner, 0, W - two_corners, {});
    lay(6, W - corner, corner, {}, H - two_corners);
    lay(7, corner, H - corner, W - two_corners, {});

    const auto pieces = control_array(store, QStringLiteral("ccb"));
    for (piece_index = 0; piece_index < piece_count; ++piece_index) {
        ccb[piece_index]->set_picture(pieces.at(piece_index)->picture());
        ccb[piece_index]->send_to_back();
    }
}

} // namespace krv
