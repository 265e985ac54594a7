// The viewer window: frameless, right of the menu window; shows the document
// whose display was last requested, a quarter of a second after the request.
#pragma once

#include "controls.h"
#include "form.h"
#include "pdf_component.h"

namespace krv {

class affic_pdf : public form {
    Q_OBJECT
public:
    affic_pdf();

    void Form_Load() override;
    void Timer1_Timer();
    void Form_KeyPress(std::int16_t& key_ascii) override;
    void system_close() override;

    pdf_component* APDF_Objet;
    form_timer* Timer1;
    /// Where the component stands, in twips of the window.
    twips_rect APDF_Objet_twips{90, 90, 3015, 2595};

private:
    bool reading_key(QObject* receiver, QKeyEvent* key);
    /// Opens an address a link asked for; says so when no program can.
    void open_link_address(const QUrl& url);
};

} // namespace krv
