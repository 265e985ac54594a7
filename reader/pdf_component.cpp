#include "pdf_component.h"

#include "page_accessible.h"
#include "page_labels.h"
#include "page_menu.h"
#include "printing.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QStackedLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include <malloc.h>

namespace krv {

pdf_component::pdf_component(QWidget* parent)
    : QWidget(parent), pdf_(new pdf_thread(this)),
      session_(std::make_unique<document_session>(*pdf_)),
      folder_(std::make_unique<folder_binding>(*pdf_, *session_)) {
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);

    // Until a document or a message comes, an empty white area, as the window is.
    stack_->addWidget(new QWidget(this));
    failure_ = make_failure_panel(this);
    stack_->addWidget(failure_.panel);
    announcer_ = new announcer(this);
    install_page_accessibility(); // once, before the first page view
    // A password given up on can be given after all, without restarting the help.
    connect(failure_.retry, &QPushButton::clicked, this, [this] { set_src(src()); });
    // A password is asked for over the window the document shows in.
    set_password_dialog_parent(this);
    connect_session();
    connect(folder_.get(), &folder_binding::document_requested, this,
            &pdf_component::document_requested);
    // A document read and let go leaves freed memory: it goes back, as the reader's does.
    connect(folder_.get(), &folder_binding::document_read, this, [this] { trim_timer_.start(); });
    // A search's outcome is said where it shows: the focus stays in the field.
    connect(folder_.get(), &folder_binding::search_finished, announcer_, &announcer::say);
    // Pictures, texts and documents let go leave freed heap behind: it goes back
    // to the system a second after the last of them, with the tiles that do not
    // show, not while the reader waits.
    trim_timer_.setSingleShot(true);
    trim_timer_.setInterval(1000);
    connect(&trim_timer_, &QTimer::timeout, this, [this] {
        if (view_)
            view_->shed_hidden_tiles(); // scrolling back renders them again: 5 to 20 ms
        malloc_trim(0);
    });
}

pdf_component::~pdf_component() {
    // The thread's jobs hold no pointer to what goes first: they find it gone.
    keys_.reset();
    search_.reset();
    navigation_.reset();
    folder_.reset(); // before the shown text it shares
    session_.reset();
}

void pdf_component::connect_session() {
    document_session* s = session_.get();
    // A first screen rendered early, once the windows have painted.
    connect(s, &document_session::prepared, this, [this] {
        if (windows_painted_ && session_->prepared_document())
            view_->prepare_first_screen(session_->prepared_document());
    });
    connect(s, &document_session::document_changed, this, &pdf_component::show_document);
    connect(s, &document_session::place_found, this, &pdf_component::finish_place);
    connect(s, &document_session::text_complete, this, &pdf_component::text_completed);
    connect(s, &document_session::message, this, &pdf_component::show_message);
    connect(s, &document_session::copy_shown, this, &pdf_component::show_copy);
    // Asked from the top of the event loop; the answer goes back to the session.
    connect(s, &document_session::password_needed, this, [this](const QString& name, bool again) {
        announcer_->say(password_question(name, again));
        session_->give_password(ask_for_password(name, again));
    });
}

// The reader's widgets are made with the first document, not with the window:
// the viewer's start-up stays short, and they are built while the display
// request waits for its timer. The search bar, the outline and the folder's
// results wait for their first use.
void pdf_component::ensure_reader() {
    if (reader_)
        return;
    reader_ = new QWidget(this);
    auto* column = new QVBoxLayout(reader_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    toolbar_ = make_toolbar(reader_);
    toolbar_.outline->hide(); // until an outline is read
    toolbar_.page_field->installEventFilter(this);
    column->addWidget(toolbar_.bar);

    splitter_ = new QSplitter(reader_);
    splitter_->setChildrenCollapsible(false);
    view_ = new page_view(splitter_);
    view_->setAccessibleName(QStringLiteral("Pages du document"));
    view_->viewport()->installEventFilter(this);
    splitter_->addWidget(view_);
    column->addWidget(splitter_, 1);
    stack_->addWidget(reader_);
    // Nothing shows yet (start-up): the reader takes its place and size at once,
    // so that the first page is laid out once, at the size it will show at.
    if (!document() && failure_.message->text().isEmpty())
        stack_->setCurrentWidget(reader_);
    view_->setFocus(); // the pages take the keys, not the first field of the toolbar

    make_parts();
    connect_toolbar();
    connect(view_, &page_view::first_painted, this, &pdf_component::start_background_work);
    connect(view_, &page_view::pictures_shown, this, [this] { trim_timer_.start(); });
    // The sizes were read in a document of their own, let go: 38 MiB of a manual's.
    connect(view_, &page_view::page_sizes_read, this, [this] { trim_timer_.start(); });
    update_toolbar();
}

void pdf_component::make_parts() {
    folder_->set_reader(reader_);
    search_ = std::make_unique<shown_search>(*session_, *view_, *folder_, *reader_);
    connect(search_.get(), &shown_search::reader_needed, this,
            [this] { stack_->setCurrentWidget(reader_); });
    connect(search_.get(), &shown_search::hit_shown, this, &pdf_component::update_toolbar);
    connect(search_.get(), &shown_search::outcome, announcer_, &announcer::say);
    // A search made over a document that could not be opened ends on its message again.
    connect(search_.get(), &shown_search::closed, this, [this] {
        if (!document() && !session_->coming() && !failure_.message->text().isEmpty())
            stack_->setCurrentWidget(failure_.panel);
    });
    navigation_ = std::make_unique<navigation_binding>(*session_, *view_, toolbar_, *splitter_);
    connect(navigation_.get(), &navigation_binding::outline_ready, this,
            &pdf_component::outline_ready);
    connect(navigation_.get(), &navigation_binding::open_url_requested, this,
            &pdf_component::open_url_requested);
    connect(navigation_.get(), &navigation_binding::notice, this, &pdf_component::notice);
    connect(navigation_.get(), &navigation_binding::moved, this, &pdf_component::update_toolbar);
    connect(view_, &page_view::menu_requested, this,
            [this](QPoint at) { show_page_menu(*view_, *search_, at); });
    keys_ = std::make_unique<reader_keys>(
        reader_keys::parts{*session_, *view_, toolbar_, *search_, *folder_, *navigation_,
                           [this](int number_from_1) { go_to_page_number(number_from_1); }});
}

bool pdf_component::eventFilter(QObject* watched, QEvent* e) {
    // An entry left in the page field (one that led nowhere) gives way to the page read.
    if (e->type() == QEvent::FocusOut && watched == toolbar_.page_field &&
        static_cast<QFocusEvent*>(e)->reason() != Qt::ActiveWindowFocusReason)
        update_toolbar();
    // The reader painted: the windows are on screen, and the prepared document's
    // first pictures may be rendered without slowing their first paint.
    if (e->type() == QEvent::Paint && watched == view_->viewport() && !windows_painted_) {
        windows_painted_ = true;
        QTimer::singleShot(0, this, [this] {
            if (const shared_document prepared = session_->prepared_document())
                view_->prepare_first_screen(prepared);
        });
    }
    return QWidget::eventFilter(watched, e);
}

void pdf_component::connect_toolbar() {
    const reader_toolbar& t = toolbar_;
    connect(t.previous, &QToolButton::clicked, this,
            [this] { view_->go_to_page(view_->current_page() - 1); });
    connect(t.next, &QToolButton::clicked, this,
            [this] { view_->go_to_page(view_->current_page() + 1); });
    connect(t.page_field, &QLineEdit::returnPressed, this, [this] {
        const page_position shown =
            page_position_of(page_labels(), view_->current_page(), view_->page_count());
        go_to_entry(typed_page(toolbar_, shown.field));
    });
    connect(t.zoom_in, &QToolButton::clicked, view_, &page_view::zoom_in);
    connect(t.zoom_out, &QToolButton::clicked, view_, &page_view::zoom_out);
    connect(t.fit_width, &QToolButton::clicked, this,
            [this] { view_->set_zoom_mode(page_view::zoom_mode::fit_width); });
    connect(t.fit_page, &QToolButton::clicked, this,
            [this] { view_->set_zoom_mode(page_view::zoom_mode::fit_page); });
    connect(t.search, &QToolButton::clicked, search_.get(), &shown_search::open);
    connect(t.print, &QToolButton::clicked, this, &pdf_component::print);
    connect(t.preview, &QToolButton::clicked, this, &pdf_component::preview);
    connect(view_, &page_view::current_page_changed, this, [this](int page) {
        update_toolbar();
        if (text() && !search_->running())
            text()->extract_from(page); // the pages near the reader come first
    });
    connect(view_, &page_view::zoom_changed, this, &pdf_component::update_toolbar);
}

QString pdf_component::message() const {
    return stack_->currentWidget() == failure_.panel ? failure_.message->text() : QString();
}

void pdf_component::set_failure_hint(const QString& hint) {
    failure_.hint->setText(hint);
    failure_.hint->setVisible(!hint.isEmpty());
}

bool pdf_component::offers_password() const {
    return stack_->currentWidget() == failure_.panel && !failure_.retry->isHidden();
}

void pdf_component::prepare(const QString& path) {
    ensure_reader();
    session_->prepare(path);
}

void pdf_component::set_src(const QString& path, const document_place& place) {
    ensure_reader();
    session_->open(path, place);
}

void pdf_component::show_document(bool same_file) {
    const bool search_asked = search_->before_showing();
    navigation_->new_document(same_file);
    if (!same_file)
        leave_document();
    shown_path_ = src();
    // The reader first takes its size, then lays the pages out once.
    stack_->setCurrentWidget(reader_);
    view_->set_document(document(), same_file);
    folder_->share_text();
    read_labels();
    // The structure and the text are read once the first page is on screen.
    if (!view_->isVisible())
        start_background_work();
    update_toolbar();
    trim_timer_.start();
    // The place comes first (from the session, once the view has the document), then the keys.
    connect(
        session_.get(), &document_session::document_shown, this,
        [this, search_asked, same_file] {
            keys_->catch_up(search_asked);
            if (!same_file)
                announcer_->say(opened_announcement(src()));
            emit document_shown();
        },
        Qt::SingleShotConnection);
}

void pdf_component::show_copy() {
    view_->set_document(document(), true);
    folder_->share_text();
    read_labels();
    search_->search_again_in_copy();
}

void pdf_component::read_labels() {
    if (!document())
        return;
    QPointer<pdf_component> self(this);
    std::weak_ptr<const pdf_document> of(document());
    read_page_labels(*document(), [self, of](std::vector<QString> labels) {
        const shared_document shown = of.lock();
        if (!shown || !self)
            return;
        shown->remember_page_labels(std::move(labels));
        self->update_toolbar();
    });
}

void pdf_component::leave_document() {
    if (view_ && view_->document() && !shown_path_.isEmpty())
        left_.remember(shown_path_, place_left_in(*view_));
    shown_path_.clear();
}

void pdf_component::finish_place(const std::optional<jump_target>& destination,
                                 const document_place& place) {
    // Chosen again in this run without a place of its own: where it was left.
    const std::optional<left_place> left = left_.find(src());
    if (left && place.empty() && !destination) {
        go_back_to(*view_, *left);
        update_toolbar();
        return;
    }
    navigation_->go_to_place(destination, place);
    if (!place.search.isEmpty())
        search_->find_at_place(place.search, place.occurrence);
}

void pdf_component::start_background_work() {
    session_->start_structure();
    view_->viewport()->update(); // the visible pages ask for their links
    if (text())
        text()->extract_from(std::max(0, view_->current_page()));
    folder_->start_reading();
}

// The page sizes come after the text, not mixed with it: pdfium's memory for the
// one would pin the other's (89 MB against 68 for a 1,321-page manual). The
// pages that show have their own size already, read as they render.
void pdf_component::text_completed() {
    view_->read_page_sizes();
    trim_timer_.start();
}

void pdf_component::show_message(const QString& text, bool offers_password) {
    failure_.message->setText(text);
    failure_.retry->setVisible(offers_password);
    stack_->setCurrentWidget(failure_.panel);
    announcer_->say(text);
    if (offers_password)
        failure_.retry->setFocus(); // Enter or Space gives the password
    if (!reader_)
        return;
    search_->close();
    leave_document();
    view_->set_document(nullptr);
    navigation_->new_document(false);
    update_toolbar();
}

const std::vector<QString>& pdf_component::page_labels() const {
    static const std::vector<QString> none;
    return document() ? document()->page_labels() : none;
}

void pdf_component::update_toolbar() {
    const page_position shown =
        page_position_of(page_labels(), view_->current_page(), view_->page_count());
    show_page_position(toolbar_, shown.field, shown.total);
    show_value(toolbar_.zoom_label, QStringLiteral("%1\u00a0%").arg(qRound(view_->zoom() * 100)));
}

void pdf_component::go_to_entry(const QString& entry) {
    if (!document()) { // still opening: a number, gone to once the document shows
        view_->setFocus();
        return go_to_page_number(entry.trimmed().toInt());
    }
    const std::optional<int> page = page_of_entry(page_labels(), view_->page_count(), entry);
    if (!page) // nothing moves: the entry stays, to be typed again
        return say_by_page_field(toolbar_, unknown_page_text(entry));
    view_->setFocus(); // first: the field then shows the page's own label
    go_to_page_number(*page + 1);
}

void pdf_component::go_to_page_number(int number_from_1) {
    if (!document() && reader_ && session_->coming()) {
        session_->keep_page(number_from_1); // gone to once the document shows
        return;
    }
    view_->go_to_page(number_from_1 - 1);
    update_toolbar();
}

void pdf_component::print() {
    print_shown(&print_with_dialog);
}

void pdf_component::preview() {
    print_shown(&preview_then_print);
}

void pdf_component::print_shown(print_outcome (*way)(const printable_document&, int, QWidget*)) {
    if (!document())
        return;
    const print_outcome done =
        way({document(), src(), navigation_ ? navigation_->outline_marks() : std::nullopt},
            std::max(0, view_->current_page()), window());
    if (!done)
        emit notice(done.error().text);
}

bool pdf_component::handle_key(const QKeyEvent* key, key_origin origin) {
    return keys_ && keys_->handle(key, origin);
}

void pdf_component::mousePressEvent(QMouseEvent* e) {
    // The mouse's side buttons, pressed over the pages or the toolbar.
    if (navigation_ && e->button() == Qt::BackButton)
        navigation_->go_back();
    else if (navigation_ && e->button() == Qt::ForwardButton)
        navigation_->go_forward();
    else
        return QWidget::mousePressEvent(e);
    e->accept();
}

} // namespace krv
