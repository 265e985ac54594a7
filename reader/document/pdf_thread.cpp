#include "pdf_thread.h"

#include "background_work.h"
#include "document_loading.h"
#include "failure_texts.h"
#include "file_names.h"
#include "structure_loading.h"

#include <QBuffer>
#include <QPdfDocument>
#include <QThreadPool>

#include <array>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace krv {

// The jobs waiting for the pdf thread, one list per priority. Shared with the
// document handles, so that a handle let go after the thread has ended finds
// nobody to tell and does nothing.
//
// A job may hold a document's handle, whose end takes this lock: no job is ever
// destroyed with the lock held. Jobs called off are moved out under it and let go
// of after.
struct pdf_queue {
    struct job {
        quint64 document = 0; ///< 0: needs no document
        work_ticket ticket;
        pdf_thread::document_job on_document;
        std::function<void()> plain;
    };
    using jobs = std::vector<job>;
    std::mutex mutex;
    std::condition_variable wake;
    std::array<std::deque<job>, 4> waiting;
    std::vector<quint64> to_close;
    std::unordered_set<quint64> ended; ///< documents whose work is over: no job runs
    bool stopping = false;
    std::atomic<quint64> next_id{1};
    std::atomic<quint64> jobs_run{0};
    std::atomic<int> documents_open{0};

    void push(pdf_priority priority, job j) {
        std::unique_lock lock(mutex);
        if (stopping || (j.document != 0 && ended.contains(j.document))) {
            lock.unlock();
            return; // `j` goes with its holder's handle, if any, on no lock
        }
        waiting[static_cast<std::size_t>(priority)].push_back(std::move(j));
        wake.notify_one();
    }
    /// Drops the document's jobs and has it closed; the jobs are let go of here,
    /// once the lock is released.
    void close(quint64 id) {
        jobs dropped;
        {
            std::lock_guard lock(mutex);
            if (!ended.insert(id).second)
                return;
            for (auto& list : waiting)
                take_if(list, dropped, [id](const job& j) { return j.document == id; });
            to_close.push_back(id);
            wake.notify_one();
        }
    }
    /// The thread ends after the job it runs; the others are dropped.
    void stop_soon() {
        std::lock_guard lock(mutex);
        stopping = true;
        wake.notify_all();
    }
    /// Under the lock: moves the jobs that match into `out`.
    template <typename predicate>
    static void take_if(std::deque<job>& list, jobs& out, predicate matches) {
        for (auto it = list.begin(); it != list.end();) {
            if (matches(*it)) {
                out.push_back(std::move(*it));
                it = list.erase(it);
            } else {
                ++it;
            }
        }
    }
};

namespace {

// A document as the pdf thread holds it: its bytes, the buffer Qt PDF reads them
// through, and the document itself, all made and deleted on this thread.
struct open_pdf {
    QByteArray bytes;
    QBuffer buffer;
    QPdfDocument document;
};

} // namespace

class pdf_thread::runner : public QThread {
public:
    explicit runner(std::shared_ptr<pdf_queue> queue) : queue_(std::move(queue)) {
        setObjectName(QStringLiteral("pdf"));
    }
    ~runner() override { stop(); }

    /// Lets the job running finish, drops the others, closes the documents, and
    /// returns once the thread has ended.
    void stop() {
        queue_->stop_soon();
        wait_for_end(this);
    }

    // Opens bytes on this thread; null and an error when Qt PDF cannot.
    std::pair<quint64, QPdfDocument*> load(const QByteArray& bytes, const QString& password,
                                           QPdfDocument::Error* error) {
        auto pdf = std::make_unique<open_pdf>();
        pdf->bytes = bytes;
        pdf->buffer.setBuffer(&pdf->bytes);
        pdf->buffer.open(QIODevice::ReadOnly);
        if (!password.isEmpty())
            pdf->document.setPassword(password);
        pdf->document.load(&pdf->buffer);
        if (pdf->document.status() != QPdfDocument::Status::Ready) {
            *error = pdf->document.error();
            return {0, nullptr};
        }
        *error = QPdfDocument::Error::None;
        const quint64 id = queue_->next_id++;
        QPdfDocument* document = &pdf->document;
        documents_.emplace(id, std::move(pdf));
        queue_->documents_open = static_cast<int>(documents_.size());
        return {id, document};
    }

protected:
    void run() override {
        for (;;) {
            pdf_queue::job next;
            pdf_queue::jobs dropped; // let go of after the lock, as the handles they hold ask
            std::vector<quint64> closing;
            bool stopping = false;
            {
                std::unique_lock lock(queue_->mutex);
                for (;;) {
                    closing.swap(queue_->to_close);
                    stopping = queue_->stopping;
                    if (stopping) {
                        for (auto& list : queue_->waiting)
                            pdf_queue::take_if(list, dropped, [](const auto&) { return true; });
                        break;
                    }
                    if (pick(next, dropped) || !closing.empty())
                        break;
                    queue_->wake.wait(lock);
                }
            }
            // Closed here, on the thread the documents belong to, and off the lock:
            // pdfium takes its time over a large one.
            for (quint64 id : closing)
                documents_.erase(id);
            if (stopping)
                documents_.clear();
            queue_->documents_open = static_cast<int>(documents_.size());
            dropped.clear();
            if (stopping)
                return;
            run_job(next);
        }
    }

private:
    // Under the lock: the first job of the highest priority waiting whose work
    // is still wanted; those before it that are not are moved to `dropped`.
    bool pick(pdf_queue::job& next, pdf_queue::jobs& dropped) {
        for (auto& list : queue_->waiting)
            while (!list.empty()) {
                pdf_queue::job& front = list.front();
                const bool wanted =
                    !front.ticket.stale() && (front.plain || documents_.contains(front.document));
                if (wanted)
                    next = std::move(front);
                else
                    dropped.push_back(std::move(front));
                list.pop_front();
                if (wanted)
                    return true;
            }
        return false;
    }

    void run_job(pdf_queue::job& j) {
        if (!j.plain && !j.on_document)
            return; // none picked: only documents to close
        ++queue_->jobs_run;
        if (j.plain) {
            j.plain();
            return;
        }
        const auto found = documents_.find(j.document);
        if (found != documents_.end())
            j.on_document(found->second->document);
    }

    std::shared_ptr<pdf_queue> queue_;
    std::unordered_map<quint64, std::unique_ptr<open_pdf>> documents_;
};

pdf_document::pdf_document(pdf_thread& thread, quint64 id, int page_count, QSizeF first_page,
                           QByteArray bytes, QString password)
    : thread_(&thread), queue_(thread.queue_), id_(id), page_count_(page_count),
      first_page_(first_page), bytes_(std::move(bytes)), password_(std::move(password)) {}

pdf_document::~pdf_document() {
    end_work();
}

void pdf_document::end_work() const {
    if (const auto queue = queue_.lock())
        queue->close(id_);
}

pdf_thread::pdf_thread(QObject* parent)
    : QObject(parent), queue_(std::make_shared<pdf_queue>()),
      runner_(std::make_unique<runner>(queue_)), checks_(std::make_unique<QThreadPool>()) {
    add_background_thread(runner_.get(), [queue = queue_] { queue->stop_soon(); });
    // Never below normal: a GUI waiting for a picture would wait for this thread.
    runner_->start();
    // Two: a document asked for is not held up by the repair of one read in the
    // background.
    checks_->setMaxThreadCount(2);
}

pdf_thread::~pdf_thread() {
    remove_background_thread(runner_.get());
    // A check or a repair ends at its next read or write once called off.
    cancelled_ = true;
    checks_->clear();
    checks_->waitForDone();
    taken_over(checks_.get());
    // Stopped before the runner goes: the job running meanwhile (an opening) still
    // reaches it through this object.
    runner_->stop();
    runner_.reset();
}

void pdf_thread::post(const pdf_document& document, pdf_priority priority, document_job work,
                      work_ticket ticket) {
    post(document.id(), priority, std::move(work), std::move(ticket));
}

void pdf_thread::post(quint64 document, pdf_priority priority, document_job work,
                      work_ticket ticket) {
    queue_->push(priority, {document, std::move(ticket), std::move(work), {}});
}

void pdf_thread::post(pdf_priority priority, std::function<void()> work, work_ticket ticket) {
    queue_->push(priority, {0, std::move(ticket), {}, std::move(work)});
}

void pdf_thread::reply(std::function<void()> work) {
    QMetaObject::invokeMethod(this, handover(std::move(work)), Qt::QueuedConnection);
}

quint64 pdf_thread::jobs_run() const {
    return queue_->jobs_run.load();
}

int pdf_thread::documents_open() const {
    return queue_->documents_open.load();
}

struct pdf_thread::opening {
    QString path; ///< empty for bytes already read
    QString name; ///< the file's, for messages
    QString password;
    QByteArray file; ///< the document's own bytes
    std::function<void(opened_document)> done;
    std::optional<failure> refusal; ///< why Qt PDF refused the document as it was, once it has
};

namespace {

bool worth_repairing(QPdfDocument::Error error) {
    return error != QPdfDocument::Error::IncorrectPassword &&
           error != QPdfDocument::Error::UnsupportedSecurityScheme;
}

} // namespace

void pdf_thread::start_check(std::shared_ptr<opening> o, bool rewrite) {
    checks_->start(handover([this, o = std::move(o), rewrite] {
        check(o, rewrite);
        handed_over(checks_.get()); // to the end, which waits for the checks
    }));
}

void pdf_thread::check(std::shared_ptr<opening> o, bool rewrite) {
    structure_library* structure = structure_module();
    if (!structure) {
        opened_document result;
        result.trouble = structure_missing();
        finish(*o, std::move(result));
        return;
    }
    const auto copy = structure->renderable_copy(
        o->file, o->password.toStdString(),
        rewrite ? rewrite_policy::always : rewrite_policy::when_needed, cancelled_);
    if (!copy) {
        opened_document result;
        if (copy.error().kind == failure_kind::password_required || !o->refusal)
            result.trouble = document_failure(copy.error().kind, o->name);
        else
            result.trouble = *o->refusal;
        finish(*o, std::move(result));
        return;
    }
    post(pdf_priority::interactive,
         [this, o, bytes = copy->bytes, rewritten = copy->rewritten || rewrite] {
             load(o, bytes, rewritten);
         });
}

void pdf_thread::load(std::shared_ptr<opening> o, const QByteArray& bytes, bool rewritten) {
    opened_document result;
    QPdfDocument::Error error;
    const auto [id, document] = runner_->load(bytes, o->password, &error);
    if (document && document->pageCount() > 0) {
        result.password = o->password;
        result.document = std::make_shared<const pdf_document>(
            *this, id, document->pageCount(), document->pagePointSize(0), bytes, o->password);
        finish(*o, std::move(result));
        return;
    }
    if (document)
        queue_->close(id);
    if (error == QPdfDocument::Error::IncorrectPassword || !o->refusal)
        result.trouble = document ? no_page_failure(o->name) : pdf_failure(error, o->name);
    else
        result.trouble = *o->refusal;
    if (!rewritten && worth_repairing(error)) { // other readers may still show it
        o->refusal = result.trouble;
        start_check(o, true);
        return;
    }
    finish(*o, std::move(result));
}

void pdf_thread::finish(const opening& o, opened_document result) {
    result.path = o.path;
    result.bytes = o.file;
    reply([result = std::move(result), done = o.done] { done(result); });
}

void pdf_thread::open_bytes(const QByteArray& bytes, const QString& password,
                            std::function<void(opened_document)> done, const QString& name) {
    auto o = std::make_shared<opening>(opening{{}, name, password, bytes, std::move(done), {}});
    start_check(o, false);
}

void pdf_thread::open_file(const QString& path, const QString& password,
                           std::function<void(opened_document)> done, QByteArray unless_bytes) {
    auto o = std::make_shared<opening>(
        opening{path, readable_file_name(file_name_of(path)), password, {}, std::move(done), {}});
    post(pdf_priority::interactive, [this, o, unless_bytes = std::move(unless_bytes)] {
        outcome<QByteArray> read = read_document(o->path);
        if (!read) {
            opened_document result;
            result.trouble = read.error();
            finish(*o, std::move(result));
        } else if (!unless_bytes.isEmpty() && read.value() == unless_bytes) {
            finish(*o, {});
        } else {
            o->file = std::move(read.value());
            start_check(o, false);
        }
    });
}

} // namespace krv
