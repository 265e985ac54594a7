// Lookup of a key in the exchange file "W_intlog.wdo" of the working folder.
#pragma once

#include "enreg_intlog.h"

#include <QString>

#include <cstdint>

namespace krv::inter_logg {

inline constexpr auto nom_fichier = "W_intlog.wdo";

/// The highest record number a lookup can ever read: the entry count is a 16-bit
/// number and the search stops at entry 32767. The blank entry of an initialisation
/// is never written past it, so a damaged header cannot make the file grow.
inline constexpr std::int32_t dernier_enreg_lisible = 32767;

/// The module's state, kept between calls for the whole run.
struct etat {
    enreg_intlog enreg;           ///< record buffer of every read and write
    std::int16_t num_fichier = 0; ///< file number while the file is open
    QString cle_cherchee;         ///< normalised search key, 15 characters
    std::int32_t indice_trouve = 0; ///< entry found, from 1; -1 when absent
    std::int16_t nb_entrees = 0;  ///< entry count of the last opening
};

/// The module state (read by tests).
const etat& etat_module();

/// The 40-character value stored under `cle`, or an empty text when the key is absent.
/// Creates and initialises the file when it has no valid header. Throws krv::error.
QString lit_intlog(const QString& cle);

/// Opens the file, initialising its header when missing; sets nb_entrees.
void ouvre_intlog();
/// Appends a blank entry after the entries that record 1 counts; sets indice_trouve.
void init_intlog();
/// Searches entries 1..nb_entrees for cle_cherchee; sets indice_trouve.
void cherche_intlog();

/// The search key for `cle`: spaces trimmed, cut or filled to 15, upper case.
QString normalise_cle(const QString& cle);

} // namespace krv::inter_logg
