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

/// Who asks for a document: the user (a choice, the debounce refuses one that
/// comes too soon) or the host (starting the help again: never refused).
enum class request_from { user, host };

class menu_pdf : public form {
    Q_OBJECT
public:
    menu_pdf();

    void Form_Load() override;
    void Form_KeyPress(std::int16_t& key_ascii) override;
    void system_close() override;

    /// Asks the viewer to display nom_document. A request of the user that comes
    /// too fast is refused and the user held off (attente); one of the host is
    /// left to its caller to make again later. False when nothing was asked.
    bool affic_document(request_from from = request_from::user);
    /// The host started the help again: shows the document its exchange file
    /// names now, as at start-up, and brings the help to the front. False only
    /// when it came too soon after the last request and must be made again later.
    bool show_host_document();
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
    /// False only when the request came too soon and nothing was asked.
    bool request_host_document(request_from from);
    bool choice_key(QObject* receiver, const QKeyEvent* key);
};

} // namespace krv
