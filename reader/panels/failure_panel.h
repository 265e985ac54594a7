// What the reader shows instead of a document it cannot show: a card with a
// picture, the reason in French, a hint of what to do, and, for a protected
// document whose password was not given, a button to give it.
#pragma once

class QLabel;
class QPushButton;
class QWidget;

namespace krv {

struct failure_panel {
    QWidget* panel = nullptr;
    QLabel* message = nullptr;
    QLabel* hint = nullptr;       ///< hidden while it has no text
    QPushButton* retry = nullptr; ///< "give the password", hidden unless offered
};

/// The panel, as a child of `parent`.
failure_panel make_failure_panel(QWidget* parent);

} // namespace krv
