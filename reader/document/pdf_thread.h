// The one thread that calls Qt PDF. Qt PDF runs every pdfium call of the process
// behind one lock, so a second thread would gain nothing, and a GUI thread that
// called it too would wait behind whatever holds the lock (a page's text takes
// 6 to 22 ms, 100 ms and more under load). Here the GUI thread never touches a
// QPdfDocument: it posts jobs, each a page's worth of work, which this thread
// runs in priority order, and the answers come back as calls on the GUI thread.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSizeF>
#include <QString>
#include <QThread>

#include "background_work.h"
#include "failure.h"

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

class QPdfDocument;
class QThreadPool;

namespace krv {

/// The order jobs run in: every job of a higher priority first.
enum class pdf_priority {
    interactive, ///< what the reader waits for: pictures on screen, a selection, an opening
    prefetch,    ///< pictures just beside the view
    search,      ///< the pages a running search still needs
    background,  ///< page sizes, the text of the other pages
};

class pdf_thread;
struct pdf_queue;

/// A document open on the pdf thread, as the GUI thread holds it: what is known of
/// it and its bytes, never the QPdfDocument behind it. The document closes on the
/// pdf thread when the last holder lets go.
class pdf_document {
public:
    pdf_document(pdf_thread& thread, quint64 id, int page_count, QSizeF first_page,
                 QByteArray bytes, QString password);
    ~pdf_document();
    pdf_document(const pdf_document&) = delete;
    pdf_document& operator=(const pdf_document&) = delete;

    quint64 id() const { return id_; }
    int page_count() const { return page_count_; }
    /// The first page's size in points, which the others are taken to have until read.
    QSizeF first_page_size() const { return first_page_; }
    /// What Qt PDF shows (form fields drawn in), and what prints.
    const QByteArray& bytes() const { return bytes_; }
    const QString& password() const { return password_; }
    /// The thread the document lives on; null once that thread has ended.
    pdf_thread* thread() const { return thread_; }
    /// Ends every holder's work on the document (a new document shown, or a
    /// close): its jobs waiting are dropped unrun, new ones are refused, and it
    /// closes on the pdf thread, though handles to it remain.
    void end_work() const;

    /// Every page's size in points once read (GUI thread; views share them).
    const std::vector<QSizeF>& page_sizes() const { return sizes_; }
    void remember_page_sizes(std::vector<QSizeF> sizes) const { sizes_ = std::move(sizes); }
    /// Each page's label ("iv", "12") once read (GUI thread); empty until then, and
    /// when the document has none that differs from the page's number.
    const std::vector<QString>& page_labels() const { return page_labels_; }
    void remember_page_labels(std::vector<QString> labels) const {
        page_labels_ = std::move(labels);
    }

private:
    QPointer<pdf_thread> thread_;
    std::weak_ptr<pdf_queue> queue_;
    quint64 id_;
    int page_count_;
    QSizeF first_page_;
    QByteArray bytes_;
    QString password_;
    mutable std::vector<QSizeF> sizes_;
    mutable std::vector<QString> page_labels_;
};

using shared_document = std::shared_ptr<const pdf_document>;

/// What opening a document came to.
struct opened_document {
    QString path;
    QByteArray bytes;         ///< the file's bytes, as read
    shared_document document; ///< null on failure
    /// Why there is no document; an empty text when the bytes were those given
    /// not to open again.
    failure trouble;
    QString password; ///< the one that opened it

    /// Protected, and the password tried was not its own.
    bool needs_password() const {
        return !document && trouble.kind == failure_kind::password_required;
    }
};

class pdf_thread : public QObject {
    Q_OBJECT
public:
    explicit pdf_thread(QObject* parent = nullptr);
    ~pdf_thread() override;

    /// Work on a document, run on the pdf thread. It is dropped unrun, and let go
    /// of on no lock, when the document has been closed or its work ended by then,
    /// or when `ticket`'s generation has ended.
    using document_job = std::function<void(QPdfDocument& document)>;
    void post(const pdf_document& document, pdf_priority priority, document_job work,
              work_ticket ticket = {});
    /// The same by the document's id (a job posting the next step of its work).
    void post(quint64 document, pdf_priority priority, document_job work, work_ticket ticket = {});
    /// Work that needs no open document (opening one).
    void post(pdf_priority priority, std::function<void()> work, work_ticket ticket = {});
    /// From the pdf thread: runs `work` on the GUI thread. `work` checks that
    /// what it touches is still there (a QPointer taken on the GUI thread).
    void reply(std::function<void()> work);

    /// Reads the file at `path` and opens it with `password`; `done` runs on the
    /// GUI thread. A file whose bytes equal `unless_bytes` is not opened again:
    /// `done` gets an outcome with neither document nor failure.
    ///
    /// Qt PDF never sees a document's bytes before qpdf has read them on a thread
    /// of checks (`renderable_copy`): a page tree that would hang it is given to it
    /// repaired, or refused; and a document it refuses as damaged is tried once
    /// more as qpdf writes it again.
    void open_file(const QString& path, const QString& password,
                   std::function<void(opened_document)> done, QByteArray unless_bytes = {});
    /// Opens a document from bytes already read; `name` is its file's, for messages.
    void open_bytes(const QByteArray& bytes, const QString& password,
                    std::function<void(opened_document)> done, const QString& name = {});

    /// How many jobs have run so far (tests: that work did happen there).
    quint64 jobs_run() const;
    /// How many documents are open on the thread (tests: that they do close).
    int documents_open() const;

private:
    friend class pdf_document;
    struct opening;
    void start_check(std::shared_ptr<opening> o, bool rewrite);
    /// On a thread of checks: what Qt PDF may be given, then its loading.
    void check(std::shared_ptr<opening> o, bool rewrite);
    /// On the pdf thread: loads what the check gave, or has it repaired once.
    void load(std::shared_ptr<opening> o, const QByteArray& bytes, bool rewritten);
    void finish(const opening& o, opened_document result);
    class runner;
    std::shared_ptr<pdf_queue> queue_;
    std::unique_ptr<runner> runner_;
    /// The checks and repairs, off the pdf thread, so that what shows keeps
    /// rendering meanwhile; called off when the thread ends.
    std::unique_ptr<QThreadPool> checks_;
    std::atomic<bool> cancelled_{false};
};

} // namespace krv
