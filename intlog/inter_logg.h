// Lookup of a key in the exchange file "W_intlog.wdo" of the working folder.
#pragma once

#include "enreg_intlog.h"

#include <QString>

#include <cstdint>

namespace krv::inter_logg {

inline constexpr auto file_name = "W_intlog.wdo";

/// The highest record number a lookup can ever read: the entry count is a 16-bit
/// number and the search stops at entry 32767. The blank entry of an initialisation
/// is never written past it, so a damaged header cannot make the file grow.
inline constexpr std::int32_t last_readable_record = 32767;

/// The module's state, kept between calls for the whole run.
struct module_state {
    enreg_intlog enreg;             ///< record buffer of every read and write
    std::int16_t num_fichier = 0;   ///< file number while the file is open
    QString cle_cherchee;           ///< normalised search key, 15 characters
    std::int32_t indice_trouve = 0; ///< entry found, from 1; -1 when absent
    std::int16_t nb_entrees = 0;    ///< entry count of the last opening
};

/// The module state as the last lookup left it (read by tests).
const module_state& state();

/// The 40-character value stored under `cle`, or an empty text when the key is absent.
/// Creates and initialises the file when it has no valid header. Throws krv::error.
QString lit_intlog(const QString& cle);

} // namespace krv::inter_logg
