// What the windows share: the work strings, the clock, the two-second wait and
// the dressing of a frameless window with its picture border.
#pragma once

#include "document_place.h"
#include "form.h"

#include <QString>

#include <functional>
#include <optional>

namespace krv {

/// The variables shared by the windows for the whole run. The windows hand
/// documents and choices to each other through them, as the design has it.
struct shared_state {
    QString w_chaine;               ///< shared work string: a path, a chosen name, a web address
    QString nom_document;           ///< name, without folder, of the document to display
    QString requested_path;         ///< path of the last display request, for the viewer's tick
    document_place requested_place; ///< where that request's document opens
    std::optional<double> heure_ouverture; ///< clock at the last accepted request; none yet
};

shared_state& shared();

/// Seconds on a monotonic clock: midnight and clock changes do not matter.
double clock_seconds();
/// Replaces the clock (tests); an empty function restores the real one.
void set_clock(std::function<double()> clock);

/// Holds the user off for two seconds with the busy pointer, handling window
/// events meanwhile without spinning the processor. Called while a wait runs
/// (from an event it handles), it makes that wait last two seconds from now
/// instead of starting another inside it: waits never nest.
void attente();

/// Seconds that attente holds the user off.
inline constexpr double wait_seconds = 2.0;

/// A request this close after the last accepted one (or closer) is too soon.
inline constexpr double debounce_seconds = 0.5;

/// Seconds until a request made at `now` is no longer too soon after the last
/// accepted one; 0 when it may be accepted at once.
double seconds_until_accepted(const shared_state& state, double now);

/// Lays the eight border holders `ccb` of `fenetre` around its edges and gives
/// them the pictures of the picture store `store`, each sent to the back.
void habille_fenetre(form& fenetre, form& store);

/// habille_fenetre with the single picture store of class Store, created on first use.
template <class Store> void habille_fenetre(form& fenetre) {
    habille_fenetre(fenetre, load_form<Store>());
}

} // namespace krv
