// The menu window: the narrow start-up window on the left. Its load handler is
// the program's start-up; it asks for documents to be displayed and ends the help.
#pragma once

#include "controls.h"
#include "document_place.h"
#include "form.h"
#include "placement.h"

class QKeyEvent;
class QPushButton;

namespace krv {

class menu_pdf : public form {
    Q_OBJECT
public:
    menu_pdf();

    void Form_Load() override;
    void Form_KeyPress(std::int16_t& key_ascii) override;
    void system_close() override;

    /// Asks the viewer to display nom_document, refusing requests that come too fast.
    void affic_document();
    /// The host started the help again: shows the document its exchange file
    /// names now, as at start-up, and brings the help to the front.
    void show_host_document();
    /// Shows a document of the folder at a place (a hit of the search in every
    /// document), through the opening routine, as a choice from the list is.
    void show_document_at(const QString& name, const document_place& place);

    void bt_rech_Click();
    void bt_fin_Click();
    void Commande1_Click();
    void Image1_Click();

    QLabel* Label2;
    file_list File1{QStringLiteral("do*.pdf")};
    picture_control* bt_rech;
    picture_control* bt_fin;
    picture_control* Image1;
    QPushButton* Commande1;
    QLabel* Label1;
    QLabel* Label7;
    /// Between the logo and the glass: the keys that do what the pictures do, and the
    /// reader's main ones.
    QLabel* keys_legend;

private:
    /// Start-up's last statements: the host's document, or the default one.
    void request_host_document();
    bool choice_key(QObject* receiver, const QKeyEvent* key);
};

} // namespace krv
