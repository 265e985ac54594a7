// Lookup of a key in the exchange file "W_intlog.wdo" of the working folder.
#pragma once

#include "enreg_intlog.h"

#include <QString>

#include <cstdint>

namespace krv::inter_logg {

inline constexpr auto file_name = "W_intlog.wdo";

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

/// Whether a record holds nothing of anyone's: zero bytes and spaces only.
bool blank_record(const enreg_intlog::bytes& raw);

/// The 40-character value stored under `cle`, or an empty text when the key is absent.
/// Creates and initialises the file when it is missing or empty, or when its first
/// record is blank; a first record that holds anything else and is not a header is
/// never written. Throws krv::error.
QString lit_intlog(const QString& cle);

} // namespace krv::inter_logg
