#include "modu_declarations.h"

#include "controls.h"
#include "desktop.h"
#include "errors.h"
#include "failures.h"

#include <QCoreApplication>
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
constexpr float coin = 480.0f;
constexpr float deux_coins = 960.0f;
constexpr int nombre_pieces = 8;
constexpr char index_property[] = "krv_index";

// Loop counter of the picture copy, kept at module level.
std::int16_t indice_piece = 0;

} // namespace

etat_partage& partage() {
    static etat_partage etat;
    return etat;
}

QString chemin_document(const QString& dossier, const QString& nom) {
    qsizetype fin = nom.size();
    while (fin > 0 && nom[fin - 1] == u' ')
        --fin;
    return dossier + u'/' + nom.left(fin);
}

double horloge() {
    if (clock_function())
        return clock_function()();
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void set_horloge(std::function<double()> clock) { clock_function() = std::move(clock); }

void attente() {
    set_mouse_pointer(mouse_pointer::busy);
    const double fin_attente = horloge() + duree_attente;
    for (double reste = fin_attente - horloge(); reste > 0 && !program_ending();
         reste = fin_attente - horloge()) {
        // Sleep in the event loop until an event comes or the time is up.
        QEventLoop loop;
        const int ms = static_cast<int>(std::ceil(std::min(reste, 0.1) * 1000.0));
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }
    set_mouse_pointer(mouse_pointer::arrow);
}

std::vector<picture_control*> control_array(QWidget& window, const QString& name) {
    std::vector<picture_control*> elements;
    for (auto* control : window.findChildren<picture_control*>(name))
        elements.push_back(control);
    std::sort(elements.begin(), elements.end(), [](const QObject* a, const QObject* b) {
        return a->property(index_property).toInt() < b->property(index_property).toInt();
    });
    return elements;
}

void add_to_control_array(QWidget& control, const QString& name, int index) {
    control.setObjectName(name);
    control.setProperty(index_property, index);
}

void habille_fenetre(form& fenetre, form& magasin) {
    const auto ccb = control_array(fenetre, QStringLiteral("ccb"));
    if (ccb.size() != nombre_pieces)
        throw error(QStringLiteral("La fenêtre à habiller n'a pas ses huit pièces de bordure"));
    const float W = fenetre.twips_width();
    const float H = fenetre.twips_height();
    auto holder = [&](int i) -> twips_rect {
        const QRect px = ccb[i]->geometry();
        return {to_twips(px.x()), to_twips(px.y()), to_twips(px.width()), to_twips(px.height())};
    };
    auto lay = [&](int i, float left, float top, std::optional<float> width,
                   std::optional<float> height) {
        twips_rect r = holder(i);
        r.left = left;
        r.top = top;
        if (width)
            r.width = *width;
        if (height)
            r.height = *height;
        if (r.width < 0 || r.height < 0)
            throw error(QStringLiteral("Fenêtre trop petite pour sa bordure"));
        form::place(ccb[i], r);
    };
    lay(0, 0, 0, {}, {});
    lay(1, W - coin, 0, {}, {});
    lay(2, W - coin, H - coin, {}, {});
    lay(3, 0, H - coin, {}, {});
    lay(4, 0, coin, {}, H - deux_coins);
    lay(5, coin, 0, W - deux_coins, {});
    lay(6, W - coin, coin, {}, H - deux_coins);
    lay(7, coin, H - coin, W - deux_coins, {});

    const auto pieces = control_array(magasin, QStringLiteral("ccb"));
    for (indice_piece = 0; indice_piece < nombre_pieces; ++indice_piece) {
        ccb[indice_piece]->set_picture(pieces.at(indice_piece)->picture());
        ccb[indice_piece]->send_to_back();
    }
}

} // namespace krv
