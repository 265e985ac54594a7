#include "inter_logg.h"

#include "checked.h"
#include "errors.h"
#include "events.h"
#include "record_file.h"
#include "text.h"

#include <cstring>

namespace krv::inter_logg {

namespace {

etat module;
record_file fichier;

constexpr int longueur_cle = 15;
constexpr QStringView marque_init = u"#INIT#";

void lit(std::int32_t n) {
    enreg_intlog::octets bytes;
    fichier.read(n, bytes);
    module.enreg.lit_octets(bytes);
}

void ecrit(std::int32_t n) {
    fichier.write(n, module.enreg.en_octets());
}

// Closes the file when a lookup ends, whether it succeeded or failed, so that a
// damaged file never stays open behind the user's back.
struct fermeture_garantie {
    ~fermeture_garantie() { fichier.close(); }
};

} // namespace

const etat& etat_module() { return module; }

QString normalise_cle(const QString& cle) {
    QString normalisee = trim_spaces(cle) + QString(longueur_cle, u' ');
    normalisee.truncate(longueur_cle);
    return normalisee.toUpper();
}

QString lit_intlog(const QString& cle) {
    fermeture_garantie garantie;
    ouvre_intlog();
    module.cle_cherchee = normalise_cle(cle);
    QString resultat;
    cherche_intlog();
    if (module.indice_trouve > 0) {
        lit(add_i32(module.indice_trouve, 1));
        resultat = module.enreg.valeur.text();
    }
    fichier.close();
    process_events();
    return resultat;
}

void ouvre_intlog() {
    module.num_fichier = free_file_number();
    fichier.open(QString::fromLatin1(nom_fichier), enreg_intlog::longueur, module.num_fichier);
    process_events();
    lit(1);
    if (module.enreg.cle.view().first(marque_init.size()) != marque_init) {
        init_intlog();
        module.enreg.cle.assign(marque_init);
        module.enreg.nombre = 0;
        ecrit(1);
    }
    module.nb_entrees = to_i16(module.enreg.nombre);
}

void init_intlog() {
    lit(1);
    module.indice_trouve = add_i32(module.enreg.nombre, 1);
    module.enreg.nombre = module.indice_trouve;
    ecrit(1);
    module.enreg.cle.assign(u"");
    module.enreg.zone60.assign(u"");
    module.enreg.valeur.assign(u"");
    module.enreg.zone1.assign(u"");
    module.enreg.zone8.assign(u"");
    module.enreg.nombre = 0;
    const std::int32_t numero = add_i32(module.indice_trouve, 1);
    if (numero > dernier_enreg_lisible)
        throw error(QStringLiteral(
            "Le fichier d'échange %1 est endommagé : son premier enregistrement annonce %2 "
            "entrées, plus que les %3 qu'il peut contenir. Il n'a pas été agrandi.")
                        .arg(QString::fromLatin1(nom_fichier))
                        .arg(module.indice_trouve - 1)
                        .arg(dernier_enreg_lisible - 1));
    ecrit(numero);
}

void cherche_intlog() {
    module.indice_trouve = -1;
    const std::int16_t borne = module.nb_entrees; // read once, before the first pass
    const auto cle = QStringView(module.cle_cherchee);
    for (std::int32_t i = 1; i <= borne; ++i) {
        // The record number is 16-bit: entry 32767 overflows, as the host expects.
        lit(add_i16(static_cast<std::int16_t>(i), 1));
        if (module.enreg.cle.view() == cle) {
            module.indice_trouve = i;
            return;
        }
    }
}

} // namespace krv::inter_logg
