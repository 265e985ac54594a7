#include "structure_reader.h"

#include "background_work.h"
#include "structure_loading.h"

#include <malloc.h>

namespace krv {

namespace {

// Where the entries chapters are taken from lead: the top ones, and the
// children of a lone top entry. A few dozen in a manual, each resolved as a
// click on it would be; empty when the work is called off.
std::vector<outline_mark> chapter_marks(structure_session& document, const outline_tree& tree,
                                        const work_ticket& ticket) {
    std::vector<outline_mark> marks;
    const auto mark = [&](const outline_entry& entry, int depth) {
        outline_mark found{depth, -1};
        if (entry.source.number != 0)
            if (auto action = document.outline_action(entry.source); action && action.value().jump)
                found.page = action.value().jump->page_index;
        marks.push_back(found);
        return !ticket.stale();
    };
    for (const outline_entry& root : tree.roots) {
        if (!mark(root, 0))
            return {};
        if (tree.roots.size() == 1)
            for (const outline_entry& child : root.children)
                if (!mark(child, 1))
                    return {};
    }
    return marks;
}

} // namespace

// Lives on the reader's thread; everything qpdf happens here.
class structure_worker : public QObject {
public:
    std::unique_ptr<structure_session> document;
    std::string password;

    void forget() {
        const bool had = document != nullptr;
        document.reset();
        // qpdf keeps every object it parsed; glibc keeps the freed arenas.
        if (had)
            malloc_trim(0);
    }

    bool open(QByteArray bytes, const std::string& password_given) {
        forget();
        password = password_given;
        structure_library* structure = structure_module();
        if (!structure)
            return false;
        auto opened = structure->open(std::move(bytes), password);
        if (!opened)
            return false;
        document = std::move(opened.value());
        return true;
    }

    // qpdf keeps every object it parsed until the document goes: once the pages
    // read hold many annotations (a page crowded with links, a manual read
    // through), the document is opened afresh, which lets them go.
    void let_annotations_go() {
        constexpr std::size_t kept_at_most = 5'000;
        if (document && document->annotations_read() > kept_at_most)
            open(document->bytes(), password);
    }

    // The document written again with its fields drawn; the structure is opened
    // again from those bytes, which drops what writing resolved of the file.
    std::optional<QByteArray> merge_forms() {
        auto merged = document->merge_form_appearances();
        if (!merged || !merged.value())
            return std::nullopt;
        QByteArray bytes = std::move(*merged.value());
        if (!open(bytes, password))
            return std::nullopt;
        return bytes;
    }
};

structure_reader::structure_reader(QObject* parent)
    : QObject(parent), worker_(new structure_worker) {
    thread_.setObjectName(QStringLiteral("structure"));
    worker_->moveToThread(&thread_);
    // At the end of the program, the work waiting is dropped: none is current then.
    add_background_thread(&thread_, [generation = generation_, thread = &thread_]() mutable {
        generation.next();
        thread->quit();
    });
    thread_.start();
}

structure_reader::~structure_reader() {
    remove_background_thread(&thread_);
    close();
    thread_.quit();
    wait_for_end(&thread_);
    delete worker_; // its thread has ended: nothing else touches it
}

template <typename work_type> void structure_reader::post(work_type work) {
    // Work of a generation that has ended is not done: a document shown since
    // does not wait behind the rest of the last one's.
    QMetaObject::invokeMethod(
        worker_, handover([ticket = generation_.current(), work = std::move(work)]() mutable {
            if (!ticket.stale())
                work(ticket);
        }),
        Qt::QueuedConnection);
}

template <typename result_type, typename emit_type>
void structure_reader::reply(const work_ticket& ticket, result_type result, emit_type emitter) {
    // Runs on the worker's thread: the answer crosses to this object's thread.
    QMetaObject::invokeMethod(this,
                              handover([ticket, result = std::move(result), emitter]() mutable {
                                  if (!ticket.stale())
                                      emitter(std::move(result));
                              }),
                              Qt::QueuedConnection);
}

// Opening goes in steps, each its own event on the worker's thread: the document
// parsed, its form fields drawn in, its outline read. Between them, and between
// an outline's entries, the work of a document replaced stops.
void structure_reader::open(const QByteArray& bytes, const QString& password) {
    generation_.next();
    open_ = true;
    post([this, worker = worker_, bytes, password = password.toStdString()](const work_ticket& t) {
        if (!worker->open(bytes, password)) {
            reply(t, std::make_shared<const outline_tree>(),
                  [this](std::shared_ptr<const outline_tree> tree) { emit outline_read(tree); });
            return;
        }
        post_from_worker(t, [this, worker](const work_ticket& t) {
            if (auto merged = worker->merge_forms())
                reply(t, std::move(*merged), [this](QByteArray b) { emit form_merged(b); });
            post_from_worker(t, [this, worker](const work_ticket& t) {
                if (!worker->document)
                    return;
                // An outline that cannot be read at all shows as none.
                outline_limits limits;
                limits.stopped = [t] { return t.stale(); };
                auto tree = worker->document->read_outline(limits);
                if (t.stale())
                    return;
                auto read = std::make_shared<const outline_tree>(tree ? std::move(tree.value())
                                                                      : outline_tree{});
                reply(t, read,
                      [this](std::shared_ptr<const outline_tree> o) { emit outline_read(o); });
                post_from_worker(t, [this, worker, read](const work_ticket& t) {
                    if (!worker->document)
                        return;
                    auto marks = chapter_marks(*worker->document, *read, t);
                    reply(t, std::move(marks),
                          [this](std::vector<outline_mark> m) { emit outline_marks_read(m); });
                });
            });
        });
    });
}

template <typename work_type>
void structure_reader::post_from_worker(const work_ticket& ticket, work_type work) {
    QMetaObject::invokeMethod(worker_, handover([ticket, work = std::move(work)]() mutable {
                                  if (!ticket.stale())
                                      work(ticket);
                              }),
                              Qt::QueuedConnection);
}

void structure_reader::close() {
    generation_.next();
    open_ = false;
    // Not called off: it lets the last document's objects go.
    QMetaObject::invokeMethod(worker_, handover([worker = worker_] { worker->forget(); }),
                              Qt::QueuedConnection);
}

void structure_reader::request_page(int page) {
    post([this, worker = worker_, page](const work_ticket& t) {
        if (!worker->document)
            return;
        auto read = worker->document->annotations_of(page);
        worker->let_annotations_go();
        // A page that cannot be read has no links: an empty answer stops requests.
        auto result = std::make_shared<const page_annotations>(read ? std::move(read.value())
                                                                    : page_annotations{});
        reply(t, std::move(result),
              [this, page](std::shared_ptr<const page_annotations> a) { emit page_read(page, a); });
    });
}

void structure_reader::request_outline_action(object_id item) {
    post([this, worker = worker_, item](const work_ticket& t) {
        if (!worker->document)
            return;
        auto action = worker->document->outline_action(item);
        if (action)
            reply(t, std::move(action.value()),
                  [this](link_action a) { emit outline_action_read(a); });
    });
}

void structure_reader::request_destination(const QString& name) {
    post([this, worker = worker_, name = name.toStdString()](const work_ticket& t) {
        std::optional<jump_target> target;
        if (worker->document)
            if (auto found = worker->document->named_destination(name))
                target = found.value();
        reply(t, target, [this](std::optional<jump_target> j) { emit destination_read(j); });
    });
}

} // namespace krv
