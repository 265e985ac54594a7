// Names of the pictures compiled into the program.
#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

namespace krv::images {

inline const QString bt_rech = QStringLiteral(":/pictures/bt_rech.jpg");
inline const QString bt_fin = QStringLiteral(":/pictures/bt_fin.jpg");
inline const QString btc_no = QStringLiteral(":/pictures/btc_no.jpg");
inline const QString btc_ok = QStringLiteral(":/pictures/btc_ok.jpg");
inline const QString logo = QStringLiteral(":/pictures/logo.gif");

/// A 20 x 20 toolbar icon of the document viewer, by name ("outil_imprimer", ...).
QString outil(const char* name);

/// Border piece i (0 to 7): the four corners, then the left, top, right and bottom edges.
QString bordure(int i);

/// Every picture the program asks for.
QStringList toutes();

/// The application icon: the two 32 x 32 images and larger renditions.
QIcon icone();

} // namespace krv::images
