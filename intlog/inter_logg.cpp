#include "inter_logg.h"

#include "checked.h"
#include "errors.h"
#include "events.h"
#include "record_file.h"
#include "text.h"

namespace krv::inter_logg {

namespace {

module_state module;
record_file file;

constexpr int key_length = 15;
constexpr QStringView init_mark = u"#INIT#";

void read_record(std::int32_t n) {
    enreg_intlog::bytes bytes;
    file.read(n, bytes);
    module.enreg.from_bytes(bytes);
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

/// Appends a blank entry after the entries that record 1 counts; sets indice_trouve.
void init_intlog() {
    read_record(1);
    module.indice_trouve = add_i32(module.enreg.nombre, 1);
    module.enreg.nombre = module.indice_trouve;
    write_record(1);
    module.enreg.cle.assign(u"");
    module.enreg.zone60.assign(u"");
    module.enreg.valeur.assign(u"");
    module.enreg.zone1.assign(u"");
    module.enreg.zone8.assign(u"");
    module.enreg.nombre = 0;
    const std::int32_t number = add_i32(module.indice_trouve, 1);
    if (number > last_readable_record)
        throw error(
            QStringLiteral(
                "Le fichier d'échange %1 est endommagé : son premier enregistrement annonce %2 "
                "entrées, plus que les %3 qu'il peut contenir. Il n'a pas été agrandi.")
                .arg(QString::fromLatin1(file_name))
                .arg(module.indice_trouve - 1)
                .arg(last_readable_record - 1));
    write_record(number);
}

/// Opens the file, initialising its header when missing; sets nb_entrees.
void ouvre_intlog() {
    module.num_fichier = free_file_number();
    file.open(QString::fromLatin1(file_name), enreg_intlog::length, module.num_fichier);
    process_events();
    read_record(1);
    if (module.enreg.cle.view().first(init_mark.size()) != init_mark) {
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
