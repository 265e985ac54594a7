// The two ways a print leaves the reader as a PDF: a file, or a job of the print
// system. The pages are copied with qpdf on a thread of its own (a large manual
// takes a second or two), the busy pointer showing meanwhile; the copy's memory
// goes back to the system once it is written.
#include "printing.h"

#include "background_work.h"
#include "cups_queue.h"
#include "events.h"
#include "file_replace.h"
#include "structure_loading.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>

#include <cerrno>

#include <malloc.h>

#include <atomic>
#include <memory>
#include <optional>

namespace krv {

namespace {

// The busy pointer for as long as it lives.
class busy_pointer {
public:
    busy_pointer() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~busy_pointer() { QApplication::restoreOverrideCursor(); }
    busy_pointer(const busy_pointer&) = delete;
    busy_pointer& operator=(const busy_pointer&) = delete;
};

// Runs `work` on a thread of its own while this one keeps painting; the user's
// input is dropped meanwhile (nothing else starts), but for Esc. Ending the help
// does not wait for the work: it is left to the end, and nothing comes of it.
template <typename work_type> auto off_the_gui(work_type work) -> std::optional<decltype(work())> {
    struct shared_state {
        std::optional<decltype(work())> result;
        std::atomic<bool> done{false};
    };
    auto state = std::make_shared<shared_state>();
    QThread* thread = QThread::create([state, work = std::move(work)]() mutable {
        state->result = work();
        state->done = true;
    });
    QEventLoop loop;
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    watch_end(thread);
    thread->start();
    if (!state->done) {
        user_input_pause paused;
        loop.exec(); // also left when the program ends
    }
    if (!state->done) {
        abandon_background_thread(thread);
        return std::nullopt;
    }
    wait_for_end(thread);
    delete thread;
    return std::move(state->result);
}

const QString cut_short = QStringLiteral("L’impression a été interrompue.");

const QString cannot_copy =
    QStringLiteral("L’impression a échoué\u00a0: les pages n’ont pas pu être copiées du document.");

// A PDF of the pages, or nothing. Opened afresh, so that the copy's objects go
// with it.
std::optional<QByteArray> copy_of_pages(const QByteArray& bytes, const QString& password,
                                        const std::vector<int>& pages) {
    std::optional<QByteArray> copy;
    {
        structure_library* structure = structure_module();
        auto source = structure ? structure->open(bytes, password.toStdString())
                                : outcome<std::unique_ptr<structure_session>>(structure_missing());
        if (source) {
            auto extracted = source.value()->extract_pages(pages);
            if (extracted)
                copy = std::move(extracted.value());
        }
    }
    malloc_trim(0);
    return copy;
}

QString write_failure(const QString& path, int system_error) {
    const QString name = QStringLiteral("«\u00a0%1\u00a0»").arg(path);
    switch (system_error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("Impossible d’écrire le fichier %1\u00a0: accès refusé.").arg(name);
    case ENOSPC:
    case EDQUOT:
    case EIO:
        return QStringLiteral("Impossible d’écrire le fichier %1\u00a0: le disque est plein ou "
                              "indisponible.")
            .arg(name);
    default:
        return QStringLiteral("Impossible d’écrire le fichier %1.").arg(name);
    }
}

} // namespace

std::vector<int> with_copies(const std::vector<int>& pages, int copies, bool collate) {
    std::vector<int> all;
    for (int c = 0; collate && c < copies; ++c)
        all.insert(all.end(), pages.begin(), pages.end());
    for (std::size_t i = 0; !collate && i < pages.size(); ++i)
        all.insert(all.end(), static_cast<std::size_t>(copies), pages[i]);
    return all;
}

namespace {

struct queue_outcome {
    print_outcome outcome;
    bool needs_pictures = false; ///< nothing sent: the queue cannot take PDF
};

// The PDF of the pages sent to the queue (off the GUI thread).
queue_outcome send_to_queue(const QByteArray& bytes, const QString& password,
                            const std::vector<int>& pages, const job_settings& settings) {
    const QString queue = QStringLiteral("«\u00a0%1\u00a0»").arg(settings.queue);
    auto connection = cups_connection::open();
    if (!connection)
        return {print_failure(QStringLiteral("L’impression a échoué\u00a0: le service d’impression "
                                             "ne répond pas."))};
    auto formats = query_queue(*connection.value(), settings.queue.toStdString());
    if (!formats)
        return {print_failure(QStringLiteral("L’impression a échoué\u00a0: l’imprimante %1 est "
                                             "introuvable.")
                                  .arg(queue))};
    if (!formats->accepts_pdf)
        return {{}, true};
    // A raw queue passes the document on untouched: the copies are made here.
    const bool raw = formats->raw_queue;
    const auto copy = copy_of_pages(
        bytes, password, raw ? with_copies(pages, settings.copies, settings.collate) : pages);
    if (!copy)
        return {print_failure(cannot_copy)};
    job_options options{raw ? 1 : settings.copies, settings.collate, settings.sides.toStdString(),
                        settings.title.toStdString()};
    if (!submit_pdf(*connection.value(), settings.queue.toStdString(), *copy, options))
        return {print_failure(QStringLiteral("L’impression a échoué\u00a0: l’imprimante %1 n’a pas "
                                             "accepté le document.")
                                  .arg(queue))};
    return {};
}

} // namespace

print_outcome print_to_file(const QByteArray& bytes, const QString& password,
                            const std::vector<int>& pages, const QString& path,
                            existing_file policy) {
    if (pages.empty())
        return print_failure(QStringLiteral("Aucune page à imprimer."));
    // A name that is a link exists, dangling or not: it is no less replaced.
    if (policy == existing_file::keep && kind_of_name(path) != name_kind::missing)
        return print_failure(
            QStringLiteral("Le fichier «\u00a0%1\u00a0» existe déjà\u00a0: il n’a pas "
                           "été remplacé.")
                .arg(path));
    busy_pointer busy;
    const auto copied =
        off_the_gui([bytes, password, pages] { return copy_of_pages(bytes, password, pages); });
    if (!copied)
        return print_failure(cut_short);
    const std::optional<QByteArray>& copy = *copied;
    if (!copy)
        return print_failure(cannot_copy);
    // Written beside and renamed over the name: a failure never leaves half a
    // file, and a link under that name is replaced, never written through.
    if (const int failure = replace_file(path, *copy))
        return print_failure(write_failure(path, failure));
    return {};
}

print_outcome print_to_queue(const QByteArray& bytes, const QString& password,
                             const std::vector<int>& pages, const job_settings& settings,
                             bool* needs_pictures) {
    if (pages.empty())
        return print_failure(QStringLiteral("Aucune page à imprimer."));
    busy_pointer busy;
    const auto sent = off_the_gui([bytes, password, pages, settings] {
        return send_to_queue(bytes, password, pages, settings);
    });
    if (!sent)
        return print_failure(cut_short);
    if (needs_pictures)
        *needs_pictures = sent->needs_pictures;
    return sent->outcome;
}

} // namespace krv
