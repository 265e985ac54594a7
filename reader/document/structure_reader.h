// The document's structure (outline, links, notes, form appearances), read with
// qpdf on a thread of its own, after the first page is on screen, so that opening
// a long manual stays as fast as before. One worker thread owns the qpdf objects;
// only plain values come back, as signals on the GUI thread. Results for a
// document that has since been replaced are dropped.
#pragma once

#include "background_work.h"
#include "structure_types.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>

#include <memory>
#include <vector>

namespace krv {

class structure_worker;

class structure_reader : public QObject {
    Q_OBJECT
public:
    explicit structure_reader(QObject* parent);
    ~structure_reader() override;

    /// Starts reading a document's structure (what was read before is forgotten):
    /// its form appearances first, then its outline's titles.
    void open(const QByteArray& bytes, const QString& password);
    /// Forgets the document and frees what was read of it.
    void close();
    bool is_open() const { return open_; }

    /// Reads the links and notes of a page; page_read follows.
    void request_page(int page);
    /// Resolves where an outline entry leads; outline_action_read follows.
    void request_outline_action(object_id item);
    /// Resolves a named destination (the place a document was asked to open
    /// at); destination_read follows, also when the name leads nowhere.
    void request_destination(const QString& name);

signals:
    /// The document with its form fields drawn into the pages, to show instead.
    void form_merged(const QByteArray& bytes);
    void outline_read(std::shared_ptr<const outline_tree> tree);
    /// Where the entries chapters are taken from lead, read after the outline
    /// (empty for a document without one).
    void outline_marks_read(const std::vector<krv::outline_mark>& marks);
    void page_read(int page, std::shared_ptr<const page_annotations> annotations);
    void outline_action_read(const krv::link_action& action);
    /// Where the named destination asked for leads; nothing when it is unknown.
    void destination_read(const std::optional<krv::jump_target>& target);

private:
    /// Work of the generation in effect (GUI thread).
    template <typename work_type> void post(work_type work);
    /// The next step of a piece of work, from the worker's thread.
    template <typename work_type> void post_from_worker(const work_ticket& ticket, work_type work);
    template <typename result_type, typename emit_type>
    void reply(const work_ticket& ticket, result_type result, emit_type emitter);

    QThread thread_;
    structure_worker* worker_;
    /// Ends with each document opened and with a close: its work waiting and its
    /// answers on the way are dropped.
    work_generation generation_;
    bool open_ = false;
};

} // namespace krv
