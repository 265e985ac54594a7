// French typography, as a test sees a text the program shows: no plain space
// before : ; ? ! or », after « or before a % that follows a number, no straight
// apostrophe between letters, no colon glued to the word before it.
#pragma once

#include <QString>
#include <QStringList>

namespace krv::typography {

/// Where a text was found: shown on screen, or in a string of the program's source
/// (which also holds style sheets, "background: white", where a colon is no word's).
enum class found_in { screen, source };

/// The texts the windows' design quotes, which stand as it writes them.
const QStringList& design_strings();

/// What is wrong with a text, one line per fault; empty when nothing is, and for a
/// design string (in the source, for a piece of one: long strings are split).
QStringList faults(const QString& text, found_in where = found_in::screen);

/// The texts between double quotes of a line of C++ (escapes kept as written).
QStringList string_literals(const QString& line);

} // namespace krv::typography
