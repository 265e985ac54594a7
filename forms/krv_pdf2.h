// The list of the documentation available in the working folder, under readable
// names, from which the user picks another document to display.
#pragma once

#include "controls.h"
#include "form.h"

#include <array>

class QListWidget;

namespace krv {

class krv_pdf2 : public form {
    Q_OBJECT
public:
    krv_pdf2();

    void Form_Load() override;
    void Form_KeyPress(std::int16_t& key_ascii) override;
    void system_close() override;

    /// Confirms the selected row: its file name goes to the shared work string.
    void List1_DblClick();
    void btc_ok_Click();
    void btc_no_Click();
    /// Cancels: the shared work string is emptied.
    void annul_demande();

    QLabel* Label2;
    QListWidget* List1;
    QLabel* Label1;
    picture_control* btc_no;
    picture_control* btc_ok;
    file_list File1{QStringLiteral("*.pdf")};
    std::array<picture_control*, 8> ccb{};
};

/// Item datum of a list row: the number of its file in the hidden file list.
inline constexpr int file_number_role = Qt::UserRole;

} // namespace krv
