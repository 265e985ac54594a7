// The French texts of the failures the user reads about a document: one place,
// one wording for each case wherever it is said.
#pragma once

#include "failure.h"

#include <QString>

#include <optional>

namespace krv {

/// The text of a document's failure of this kind, naming the document.
QString failure_text(failure_kind kind, const QString& name);
/// A failure of this kind with its text.
failure document_failure(failure_kind kind, const QString& name);

/// A document past the size the help shows (`size` 0: it grew past it while read).
failure too_large_failure(const QString& name, qint64 size, qint64 limit);
/// A path that is not a regular file, by its mode; nothing when it is one.
std::optional<failure> not_a_document_failure(unsigned mode, const QString& name);
/// A file that could not be read, by the system's error.
failure unreadable_failure(const QString& name, int system_error);
/// A file of no byte.
failure empty_document_failure(const QString& name);
/// A PDF that opens and has no page.
failure no_page_failure(const QString& name);

} // namespace krv
