// What the windows share: the work strings, the clock, the two-second wait and
// the dressing of a frameless window with its picture border.
#pragma once

#include "controls.h"
#include "form.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace krv {

/// The variables shared by the windows for the whole run.
struct etat_partage {
    QString w_chaine;       ///< shared work string: a path, a chosen name, a web address
    QString nom_document;   ///< name, without folder, of the document to display
    QString chemin_demande; ///< path of the last display request, for the viewer's tick
    std::optional<double> heure_ouverture; ///< clock at the last accepted request; none yet
};

etat_partage& partage();

/// The full path of a document: the folder, "/", and the name without the
/// trailing spaces that the exchange file's fixed-width field leaves on it.
QString chemin_document(const QString& dossier, const QString& nom);

/// Seconds on a monotonic clock: midnight and clock changes do not matter.
double horloge();
/// Replaces the clock (tests); an empty function restores the real one.
void set_horloge(std::function<double()> clock);

/// Holds the user off for two seconds with the busy pointer, handling window
/// events meanwhile without spinning the processor.
void attente();

/// Seconds that attente holds the user off.
inline constexpr double duree_attente = 2.0;

/// Lays the eight border holders `ccb` of `fenetre` around its edges and gives
/// them the pictures of the picture store `magasin`, each sent to the back.
void habille_fenetre(form& fenetre, form& magasin);

/// habille_fenetre with the single picture store of class Store, created on first use.
template <class Store>
void habille_fenetre(form& fenetre) {
    habille_fenetre(fenetre, instance<Store>());
}

/// The picture holders of a window's control array `name`, by index (0 first).
std::vector<picture_control*> control_array(QWidget& window, const QString& name);

/// Sets up a control as element `index` of the control array `name`.
void add_to_control_array(QWidget& control, const QString& name, int index);

} // namespace krv
