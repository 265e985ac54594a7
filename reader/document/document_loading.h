// A document's way in: its file read whole into memory (Qt PDF spins for ever
// on a file rewritten in place under it), its password asked for, and every
// failure worded in French for the user. Qt PDF opens it on the pdf thread.
#pragma once

#include "failure.h"

#include <QByteArray>
#include <QPdfDocument>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace krv {

/// What to tell the user when a document cannot be shown; `file_name` is the name
/// without its folder.
failure pdf_failure(QPdfDocument::Error error, const QString& file_name);

/// The largest document the reader opens: 256 MiB. The whole file is held in
/// memory, twice while a changed file is read again, and a help document is far
/// smaller; beyond it the user gets a message at once.
inline constexpr qint64 document_size_limit = qint64(256) * 1024 * 1024;

/// Reads a document whole, by the path's own bytes. Only a regular file (or a link
/// to one) of at most `limit` bytes is read; anything else (a folder, a FIFO, a
/// device, a larger file, one that grows past the limit while read) gives its
/// message at once, without blocking and without holding more than `limit` bytes.
outcome<QByteArray> read_document(const QString& path, qint64 limit = document_size_limit);

/// The question the password dialog asks, in plain text.
QString password_question(const QString& file_name, bool again);

/// Asks for the password of a protected document; nothing when the user gives up.
/// `again` is true after a wrong password.
using password_prompt = std::function<std::optional<QString>(const QString& file_name, bool again)>;

/// Replaces the password prompt (tests); an empty function restores the dialog.
void set_password_prompt(password_prompt prompt);

/// The widget over whose window the password dialog is centred.
void set_password_dialog_parent(QWidget* parent);

/// The question the password dialog asks, in plain text.
QString password_question(const QString& file_name, bool again);

/// Asks for the password of the protected document `file_name` with the prompt in
/// effect; nothing when the user gives up.
std::optional<QString> ask_for_password(const QString& file_name, bool again);

} // namespace krv
