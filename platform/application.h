// The program's application object: its metadata, French texts and numbers in
// Qt's dialogs, the font substitutions, accessibility, and the key preview of the
// windows.
#pragma once

#include <QApplication>
#include <QKeyEvent>

#include <functional>

namespace krv {

class application : public QApplication {
    Q_OBJECT
public:
    application(int& argc, char** argv);
    ~application() override;

    bool notify(QObject* receiver, QEvent* e) override;
};

/// Lets the program live on when its output is a pipe nobody reads any more
/// (SIGPIPE ignored: a warning written there then fails quietly). Called first
/// thing, before Qt can write anything.
void ignore_closed_output();

/// Sees every key press before the windows' key preview; returns true to swallow it.
using key_hook = std::function<bool(QObject* receiver, QKeyEvent* key)>;

/// Adds a key hook that lives as long as `owner`.
void add_key_hook(QObject* owner, key_hook hook);

/// Loads Qt's own French texts (buttons and standard dialogs), then ours for what
/// they lack in the print dialogs; false when either is missing.
bool load_qt_translations(QCoreApplication& app);

/// Maps the font names the windows ask for onto installed metric-compatible fonts.
void install_font_substitutions();

} // namespace krv
