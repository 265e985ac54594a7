#include "inter_logg.h"

#include "checked.h"
#include "errors.h"
#include "events.h"
#include "record_file.h"
#include "text.h"

#include <algorithm>

namespace krv::inter_logg {

namespace {

module_state module;
record_file file;
enreg_intlog::bytes last_read{}; // bytes of the record read last, as on disk

constexpr int key_length = 15;
constexpr QStringView init_mark = u"#INIT#";

void read_record(std::int32_t n) {
    file.read(n, last_read);
    module.enreg.from_bytes(last_read);
}

void write_record(std::int32_t n) {
    file.write(n, module.enreg.to_bytes());
}

// Closes the file when a lookup ends, whether it succeeded or failed, so that a
// damaged file never stays open behind the user's back.
struct close_on_exit {
    ~close_on_exit() { file.close(); }
};

QString normalised_key(const QString& cle) {
    QString key = trim_spaces(cle) + QString(key_length, u' ');
    key.truncate(key_length);
    return key.toUpper();
}

QString exchange_name() {
    return QString::fromLatin1(file_name);
}

/// Refuses, in French, to initialise a file that is not ours to write: record 1
/// (just read) holds someone's data, or the file may not be written.
void check_initialisation_allowed() {
    if (!blank_record(last_read))
        throw error(QStringLiteral("Le fichier d’échange %1 ne commence pas par l’en-tête "
                                   "attendu\u00a0; il n’a pas été modifié.")
                        .arg(exchange_name()));
    switch (file.access()) {
    case record_access::read_write:
        return;
    case record_access::through_link:
        throw error(QStringLiteral("Le fichier d’échange %1 est un lien symbolique et n’a pas "
                                   "d’en-tête\u00a0; l’aide n’écrit pas à travers un lien, il n’a "
                                   "pas été initialisé.")
                        .arg(exchange_name()));
    case record_access::read_only:
        break;
    }
    throw error(QStringLiteral("Le fichier d’échange %1 n’a pas d’en-tête et l’aide n’a pas le "
                               "droit d’y écrire\u00a0; il n’a pas été initialisé.")
                    .arg(exchange_name()));
}

/// Appends a blank entry after the entries that record 1 counts; sets indice_trouve.
/// Record 1 is blank here, so it counts none; the blank entry goes only where
/// nothing of anyone's lies.
void init_intlog() {
    read_record(1);
    module.enreg.nombre = 0; // a blank record counts no entries, spaces or not
    module.indice_trouve = add_i32(module.enreg.nombre, 1);
    module.enreg.nombre = module.indice_trouve;
    write_record(1);
    const std::int32_t number = add_i32(module.indice_trouve, 1);
    read_record(number);
    const bool free = blank_record(last_read);
    module.enreg.cle.assign(u"");
    module.enreg.zone60.assign(u"");
    module.enreg.valeur.assign(u"");
    module.enreg.zone1.assign(u"");
    module.enreg.zone8.assign(u"");
    module.enreg.nombre = 0;
    if (free)
        write_record(number);
}

/// Opens the file, initialising its header when missing; sets nb_entrees.
void ouvre_intlog() {
    module.num_fichier = free_file_number();
    file.open(exchange_name(), enreg_intlog::length, module.num_fichier);
    process_events();
    read_record(1);
    if (module.enreg.cle.view().first(init_mark.size()) != init_mark) {
        check_initialisation_allowed();
        init_intlog();
        module.enreg.cle.assign(init_mark);
        module.enreg.nombre = 0;
        write_record(1);
    }
    module.nb_entrees = to_i16(module.enreg.nombre);
}

/// Searches entries 1..nb_entrees for cle_cherchee; sets indice_trouve.
void cherche_intlog() {
    module.indice_trouve = -1;
    const std::int16_t bound = module.nb_entrees; // read once, before the first pass
    const auto key = QStringView(module.cle_cherchee);
    for (std::int32_t i = 1; i <= bound; ++i) {
        // The record number is 16-bit: entry 32767 overflows, as the host expects.
        read_record(add_i16(static_cast<std::int16_t>(i), 1));
        if (module.enreg.cle.view() == key) {
            module.indice_trouve = i;
            return;
        }
    }
}

} // namespace

bool blank_record(const enreg_intlog::bytes& raw) {
    return std::all_of(raw.begin(), raw.end(),
                       [](std::uint8_t b) { return b == 0x00 || b == 0x20; });
}

const module_state& state() {
    return module;
}

QString lit_intlog(const QString& cle) {
    close_on_exit guard;
    ouvre_intlog();
    module.cle_cherchee = normalised_key(cle);
    QString result;
    cherche_intlog();
    if (module.indice_trouve > 0) {
        read_record(add_i32(module.indice_trouve, 1));
        result = module.enreg.valeur.text();
    }
    file.close();
    process_events();
    return result;
}

} // namespace krv::inter_logg
