#include "pdf_component.h"

#include "file_names.h"
#include "outline_panel.h"
#include "printing.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QStackedLayout>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <malloc.h>

namespace krv {

pdf_component::pdf_component(QWidget* parent) : QWidget(parent), pdf_(new pdf_thread(this)) {
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);

    // Until a document or a message comes, an empty white area, as the window is.
    stack_->addWidget(new QWidget(this));
    failure_ = make_failure_panel(this);
    stack_->addWidget(failure_.panel);
    // A password given up on can be given after all, without restarting the help.
    connect(failure_.retry, &QPushButton::clicked, this, [this] { set_src(src_); });
    // A password is asked for over the window the document shows in.
    set_password_dialog_parent(this);

    // A changed file is read again a moment later, once its writer is done.
    reload_timer_.setSingleShot(true);
    reload_timer_.setInterval(300);
    connect(&reload_timer_, &QTimer::timeout, this, &pdf_component::reload);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { reload_timer_.start(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (type_of(src_) != file_type::missing && !watcher_.files().contains(src_))
            reload_timer_.start(); // replaced by a new file under the same name
    });
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
    search_.reset();
    store_.reset();
}

// The reader's widgets are made with the first document, not with the window:
// the viewer's start-up stays short, and they are built while the display
// request waits for its timer. The search bar and the outline wait for their
// first use.
void pdf_component::ensure_reader() {
    if (reader_)
        return;
    reader_ = new QWidget(this);
    auto* column = new QVBoxLayout(reader_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    toolbar_ = make_toolbar(reader_);
    toolbar_.outline->hide(); // until an outline is read
    column->addWidget(toolbar_.bar);

    splitter_ = new QSplitter(reader_);
    splitter_->setChildrenCollapsible(false);
    structure_ = new structure_reader(this);
    view_ = new page_view(splitter_);
    view_->setAccessibleName(QStringLiteral("Pages du document"));
    view_->viewport()->installEventFilter(this);
    splitter_->addWidget(view_);
    column->addWidget(splitter_, 1);
    stack_->addWidget(reader_);
    // Nothing shows yet (start-up): the reader takes its place and size at once,
    // so that the first page is laid out once, at the size it will show at.
    if (!shown_ && failure_.message->text().isEmpty())
        stack_->setCurrentWidget(reader_);
    view_->setFocus(); // the pages take the keys, not the first field of the toolbar

    connect_toolbar();
    connect_search();
    connect_structure();
    connect(view_, &page_view::pictures_shown, this, [this] { trim_timer_.start(); });
    // The sizes were read in a document of their own, let go: 38 MiB of a manual's.
    connect(view_, &page_view::page_sizes_read, this, [this] { trim_timer_.start(); });
    update_toolbar();
}

void pdf_component::ensure_search_bar() {
    if (search_bar_.bar)
        return;
    search_bar_ = make_search_bar(reader_);
    static_cast<QVBoxLayout*>(reader_->layout())->insertWidget(1, search_bar_.bar);
    connect_search_bar();
}

void pdf_component::ensure_outline() {
    if (outline_)
        return;
    outline_ = new QTreeView(splitter_);
    outline_->setHeaderHidden(true);
    outline_->setAccessibleName(QStringLiteral("Sommaire"));
    // The outline reads at the size of the rest of the help's text.
    QFont outline_font = outline_->font();
    outline_font.setPixelSize(14);
    outline_->setFont(outline_font);
    outline_panel_ = std::make_unique<outline_panel>(outline_);
    outline_->hide();
    splitter_->insertWidget(0, outline_);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({200, std::max(200, splitter_->width() - 200)});
    connect(outline_, &QTreeView::activated, this, &pdf_component::follow_outline_entry);
    connect(outline_, &QTreeView::clicked, this, &pdf_component::follow_outline_entry);
}

bool pdf_component::eventFilter(QObject* watched, QEvent* e) {
    // The reader painted: the windows are on screen, and the prepared document's
    // first pictures may be rendered without slowing their first paint.
    if (e->type() == QEvent::Paint && watched == view_->viewport() && !windows_painted_) {
        windows_painted_ = true;
        QTimer::singleShot(0, this, [this] {
            if (prepared_done_ && prepared_.document)
                view_->prepare_first_screen(prepared_.document);
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
        go_to_page_number(toolbar_.page_field->text().toInt());
        view_->setFocus();
    });
    connect(t.zoom_in, &QToolButton::clicked, view_, &page_view::zoom_in);
    connect(t.zoom_out, &QToolButton::clicked, view_, &page_view::zoom_out);
    connect(t.fit_width, &QToolButton::clicked, this,
            [this] { view_->set_zoom_mode(page_view::zoom_mode::fit_width); });
    connect(t.fit_page, &QToolButton::clicked, this,
            [this] { view_->set_zoom_mode(page_view::zoom_mode::fit_page); });
    connect(t.search, &QToolButton::clicked, this, &pdf_component::open_search);
    connect(t.print, &QToolButton::clicked, this, &pdf_component::print);
    connect(t.preview, &QToolButton::clicked, this, &pdf_component::preview);
    connect(t.outline, &QToolButton::toggled, this, &pdf_component::show_outline);
    connect(t.back, &QToolButton::clicked, this, &pdf_component::go_back);
    connect(t.forward, &QToolButton::clicked, this, &pdf_component::go_forward);
    connect(view_, &page_view::current_page_changed, this, [this](int page) {
        update_toolbar();
        if (store_ && !search_running())
            store_->extract_from(page); // the pages near the reader come first
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
    preparing_ = path;
    prepared_done_ = false;
    prepared_ = {};
    const QString known = path == src_ ? shown_password_ : QString();
    QPointer<pdf_component> self(this);
    pdf_->open_file(path, known, [self](opened_document result) {
        if (self)
            self->take_prepared(std::move(result));
    });
}

void pdf_component::take_prepared(opened_document result) {
    if (result.path != preparing_ || prepared_done_)
        return; // another request came since
    if (waiting_ == result.path) {
        preparing_.clear();
        show_opened(std::move(result)); // the tick came first
        return;
    }
    prepared_ = std::move(result);
    prepared_done_ = true;
    if (windows_painted_ && prepared_.document)
        view_->prepare_first_screen(prepared_.document);
}

void pdf_component::set_src(const QString& path, const document_place& place) {
    ensure_reader();
    place_ = place;
    src_ = path;
    shown_password_.clear();
    watch(path);
    if (preparing_ == path && prepared_done_) {
        preparing_.clear();
        prepared_done_ = false;
        show_opened(std::exchange(prepared_, opened_document{}));
        return;
    }
    waiting_ = path; // shown when its opening comes back
    if (preparing_ == path)
        return;
    preparing_ = path;
    prepared_done_ = false;
    QPointer<pdf_component> self(this);
    pdf_->open_file(path, QString(), [self](opened_document result) {
        if (self)
            self->take_prepared(std::move(result));
    });
}

void pdf_component::show_opened(opened_document result) {
    waiting_.clear();
    if (result.needs_password) {
        ask_password(std::move(result), false);
        return;
    }
    show_document(std::move(result), false);
}

void pdf_component::ask_password(opened_document result, bool again) {
    const QString name = readable_file_name(file_name_of(result.path));
    if (!again)
        show_message(QStringLiteral("Le document «\u00a0%1\u00a0» est protégé par un mot de passe.")
                         .arg(name));
    const std::optional<QString> given = ask_for_password(name, again);
    if (!given) {
        // Given up on: the message offers to give it after all.
        show_message(QStringLiteral("Ce document est protégé par un mot de passe, qui n’a pas "
                                    "été donné\u00a0: %1")
                         .arg(name),
                     failure_offer::password);
        return;
    }
    QPointer<pdf_component> self(this);
    const QString path = result.path;
    pdf_->open_bytes(
        result.bytes, *given,
        [self, path](opened_document opened) {
            if (!self || path != self->src_)
                return;
            opened.path = path;
            if (opened.needs_password)
                self->ask_password(std::move(opened), true);
            else
                self->show_document(std::move(opened), false);
        },
        name);
}

void pdf_component::show_document(opened_document result, bool keep_place) {
    if (!result.document) {
        show_message(result.failure);
        return;
    }
    const bool search_asked = search_before_showing();
    search_.reset();
    store_.reset();
    forget_structure();
    if (!keep_place)
        show_outline_tree(nullptr);
    const bool had_document = shown_ != nullptr;
    shown_ = std::move(result.document);
    shown_bytes_ = std::move(result.bytes);
    shown_password_ = result.password;
    // The reader first takes its size, then lays the pages out once.
    stack_->setCurrentWidget(reader_);
    view_->set_document(shown_, keep_place && had_document);
    store_ = std::make_unique<text_store>(shown_);
    connect(store_.get(), &text_store::completed, this, &pdf_component::text_completed);
    share_text();
    // The structure and the text are read once the first page is on screen.
    structure_pending_ = true;
    if (!view_->isVisible())
        start_background_work();
    update_toolbar();
    trim_timer_.start();
    if (!keep_place)
        apply_place();
    catch_up_with_keys(search_asked);
    emit document_shown();
}

void pdf_component::start_background_work() {
    start_structure();
    if (store_)
        store_->extract_from(std::max(0, view_->current_page()));
    start_folder_reading();
}

// The page sizes come after the text, not mixed with it: pdfium's memory for the
// one would pin the other's (89 MB against 68 for a 1,321-page manual). The
// pages that show have their own size already, read as they render.
void pdf_component::text_completed() {
    view_->read_page_sizes();
    trim_timer_.start();
}

void pdf_component::show_message(const QString& text, failure_offer offer) {
    place_ = {};
    awaiting_destination_ = false;
    failure_.message->setText(text);
    failure_.retry->setVisible(offer == failure_offer::password);
    stack_->setCurrentWidget(failure_.panel);
    if (offer == failure_offer::password)
        failure_.retry->setFocus(); // Enter or Space gives the password
    forget_waiting_keys();
    if (!reader_)
        return;
    close_search();
    search_.reset();
    store_.reset();
    view_->set_document(nullptr);
    forget_structure();
    show_outline_tree(nullptr);
    shown_.reset();
    shown_bytes_.clear();
    update_toolbar();
}

void pdf_component::update_toolbar() {
    const int count = view_->page_count();
    const int page = view_->current_page();
    if (!toolbar_.page_field->hasFocus())
        toolbar_.page_field->setText(count ? QString::number(page + 1) : QString());
    toolbar_.page_total->setText(QStringLiteral("/ %1").arg(count));
    toolbar_.zoom_label->setText(QStringLiteral("%1\u00a0%").arg(qRound(view_->zoom() * 100)));
}

void pdf_component::go_to_page_number(int number_from_1) {
    if (!shown_ && document_coming()) {
        page_waiting_ = number_from_1; // gone to once the document shows
        return;
    }
    view_->go_to_page(number_from_1 - 1);
    update_toolbar();
}

bool pdf_component::has_outline() const {
    return shown_ && outline_tree_ && !outline_tree_->roots.empty();
}

void pdf_component::show_outline(bool shown) {
    ensure_outline();
    toolbar_.outline->setChecked(shown);
    const bool outline = has_outline();
    if (shown && outline && !outline_filled_) {
        outline_panel_->show_tree(*outline_tree_);
        outline_filled_ = true;
    }
    outline_->setVisible(shown && outline);
}

void pdf_component::print() {
    print_shown(&print_with_dialog);
}

void pdf_component::preview() {
    print_shown(&preview_then_print);
}

void pdf_component::print_shown(print_outcome (*way)(const printable_document&, int, QWidget*)) {
    if (!shown_)
        return;
    const print_outcome done = way({shown_, src_}, std::max(0, view_->current_page()), window());
    if (!done.ok)
        emit notice(done.failure);
}

} // namespace krv
