#include "page_labels.h"

#include <QPdfDocument>

namespace krv {

namespace {

struct labels_reading {
    pdf_thread* thread;
    quint64 document;
    std::vector<QString> labels;
    std::function<void(std::vector<QString>)> done;
};

// 32 pages a job, 5 ms: the pictures asked for meanwhile are not held back.
void read_labels_from(const std::shared_ptr<labels_reading>& reading, QPdfDocument& document,
                      int from) {
    const int count = document.pageCount();
    const int to = std::min(count, from + 32);
    for (int page = from; page < to; ++page) // a page without a label: its number
        reading->labels.push_back(document.pageLabel(page));
    if (to < count) {
        reading->thread->post(reading->document, pdf_priority::prefetch,
                              [reading, to](QPdfDocument& d) { read_labels_from(reading, d, to); });
        return;
    }
    bool says_more = false;
    for (std::size_t page = 0; page < reading->labels.size(); ++page)
        says_more = says_more || reading->labels[page] != QString::number(page + 1);
    if (!says_more)
        reading->labels.clear();
    reading->thread->reply([reading] { reading->done(std::move(reading->labels)); });
}

} // namespace

void read_page_labels(const pdf_document& document,
                      std::function<void(std::vector<QString>)> done) {
    pdf_thread* thread = document.thread();
    if (!thread)
        return;
    auto reading = std::make_shared<labels_reading>(
        labels_reading{thread, document.id(), {}, std::move(done)});
    thread->post(document, pdf_priority::prefetch,
                 [reading](QPdfDocument& d) { read_labels_from(reading, d, 0); });
}

page_position page_position_of(const std::vector<QString>& labels, int page, int count) {
    if (count <= 0 || page < 0)
        return {{}, QStringLiteral("/ %1").arg(count)};
    const QString number = QString::number(page + 1);
    const auto index = static_cast<std::size_t>(page);
    if (index >= labels.size() || labels[index].isEmpty() || labels[index] == number)
        return {number, QStringLiteral("/ %1").arg(count)};
    return {labels[index], QStringLiteral("(%1 / %2)").arg(number).arg(count)};
}

std::optional<int> page_of_entry(const std::vector<QString>& labels, int count,
                                 const QString& entry) {
    const QString wanted = entry.trimmed();
    if (wanted.isEmpty())
        return std::nullopt;
    for (Qt::CaseSensitivity sensitivity : {Qt::CaseSensitive, Qt::CaseInsensitive})
        for (std::size_t page = 0; page < labels.size(); ++page)
            if (labels[page].compare(wanted, sensitivity) == 0)
                return static_cast<int>(page);
    bool is_number = false;
    const int number = wanted.toInt(&is_number);
    if (is_number && number >= 1 && number <= count)
        return number - 1;
    return std::nullopt;
}

QString unknown_page_text(const QString& entry) {
    return QStringLiteral("Aucune page «\u00a0%1\u00a0» dans ce document")
        .arg(entry.trimmed().left(40));
}

} // namespace krv
