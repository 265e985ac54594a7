// Page labels: the names a document gives its pages ("iv" for a preface's fourth
// page, "12" for the page printed 12), as the page field shows them and as
// Ctrl+G takes them. Read on the pdf thread in the background once the document
// shows (Qt PDF takes 0.15 ms a page for them); the rest are rules on the list.
#pragma once

#include "pdf_thread.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace krv {

/// Reads every page's label on the document's pdf thread, a few pages a job
/// behind the pictures on screen; `done` gets them on the GUI thread: none when
/// the document has none, or when each is only its page's number.
void read_page_labels(const pdf_document& document, std::function<void(std::vector<QString>)> done);

/// What the page field and the count after it show for `page` (from 0) of
/// `count`: "4" and "/ 311", or with a label that is not the number, "iv" and
/// "(4 / 311)".
struct page_position {
    QString field;
    QString total;
};
page_position page_position_of(const std::vector<QString>& labels, int page, int count);

/// The page (from 0) an entry of the page field leads to: the page of that
/// label (case ignored when no label is written exactly so), else the page of
/// that number; nothing when the document has neither.
std::optional<int> page_of_entry(const std::vector<QString>& labels, int count,
                                 const QString& entry);

/// What the page field says of an entry that leads nowhere.
QString unknown_page_text(const QString& entry);

} // namespace krv
