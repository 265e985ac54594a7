// The program's application object: its metadata, Qt's French translations, the
// font substitutions, and the key preview of the windows.
#pragma once

#include <QApplication>

namespace krv {

class application : public QApplication {
    Q_OBJECT
public:
    application(int& argc, char** argv);
    ~application() override;

    bool notify(QObject* receiver, QEvent* e) override;
};

/// Loads Qt's own French texts (buttons and standard dialogs); false when missing.
bool load_qt_translations(QCoreApplication& app);

/// Maps the font names the windows ask for onto installed metric-compatible fonts.
void install_font_substitutions();

} // namespace krv
