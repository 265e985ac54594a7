#include "pdf_component.h"

#include "file_names.h"
#include "outline_panel.h"
#include "printing.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStackedLayout>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <malloc.h>

namespace krv {

pdf_component::pdf_component(QWidget* parent) : QWidget(parent) {
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);

    failure_ = make_failure_panel(this);
    stack_->addWidget(failure_.panel);
    stack_->setCurrentWidget(failure_.panel);
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
}

pdf_component::~pdf_component() = default;

// The reader's widgets are made with the first document, not with the window:
// the viewer's start-up stays short, and they are built while the display
// request waits for its timer.
void pdf_component::ensure_reader() {
    if (reader_)
        return;
    reader_ = new QWidget(this);
    auto* column = new QVBoxLayout(reader_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    toolbar_ = make_toolbar(reader_);
    column->addWidget(toolbar_.bar);
    search_bar_ = make_search_bar(reader_);
    column->addWidget(search_bar_.bar);

    splitter_ = new QSplitter(reader_);
    splitter_->setChildrenCollapsible(false);
    outline_ = new QTreeView(splitter_);
    outline_->setHeaderHidden(true);
    outline_->setAccessibleName(QStringLiteral("Sommaire"));
    // The outline reads at the size of the rest of the help's text.
    QFont outline_font = outline_->font();
    outline_font.setPixelSize(14);
    outline_->setFont(outline_font);
    outline_panel_ = std::make_unique<outline_panel>(outline_);
    structure_ = new structure_reader(this);
    outline_->hide();
    view_ = new page_view(splitter_);
    view_->setAccessibleName(QStringLiteral("Pages du document"));
    splitter_->addWidget(outline_);
    splitter_->addWidget(view_);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({200, 667});
    column->addWidget(splitter_, 1);
    stack_->addWidget(reader_);

    connect_toolbar();
    connect_search_bar();
    connect_structure();
    update_toolbar();
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
    connect(outline_, &QTreeView::activated, this, &pdf_component::follow_outline_entry);
    connect(outline_, &QTreeView::clicked, this, &pdf_component::follow_outline_entry);
    connect(view_, &page_view::current_page_changed, this, &pdf_component::update_toolbar);
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

opened_document pdf_component::open(const QString& path, password_policy policy) {
    const QString known = path == src_ ? shown_password_ : QString();
    return open_document(path, known, policy, [this](const QString& name) {
        show_message(QStringLiteral("Le document «\u00a0%1\u00a0» est protégé par un mot de passe.")
                         .arg(name));
    });
}

void pdf_component::prepare(const QString& path) {
    ensure_reader();
    prepared_ = open(path, password_policy::never_ask);
}

void pdf_component::set_src(const QString& path) {
    ensure_reader();
    opened_document result;
    if (prepared_.path == path && !prepared_.needs_password &&
        (prepared_.document || !prepared_.failure.isEmpty()))
        result = std::exchange(prepared_, opened_document{});
    prepared_ = {};
    src_ = path;
    shown_password_.clear();
    if (!result.document && result.failure.isEmpty())
        result = open(path, password_policy::ask);
    watch(path);
    show_document(std::move(result), false);
}

void pdf_component::watch(const QString& path) {
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    // The paths' own bytes decide (a name that is not UTF-8 is not watched by
    // itself, which Qt cannot do; its folder's changes still bring it back).
    if (type_of(path) != file_type::missing)
        watcher_.addPath(path);
    const QString folder = folder_of(path);
    if (type_of(folder) == file_type::folder)
        watcher_.addPath(folder);
}

void pdf_component::reload() {
    if (src_.isEmpty())
        return;
    if (type_of(src_) != file_type::missing && !watcher_.files().contains(src_))
        watcher_.addPath(src_);
    const document_bytes bytes = read_document(src_);
    if (!bytes.failure.isEmpty() || bytes.data == shown_bytes_)
        return; // caught half-written or gone: what shows stays until it opens cleanly
    opened_document result = open(src_, password_policy::never_ask);
    if (!result.document)
        return;
    show_document(std::move(result), true);
}

void pdf_component::show_document(opened_document result, bool keep_place) {
    if (!result.document) {
        show_message(result.failure,
                     result.password_given_up ? failure_offer::password : failure_offer::nothing);
        return;
    }
    close_search();
    search_.reset();
    forget_structure();
    if (!keep_place) {
        outline_panel_->clear();
        show_outline_tree({});
    }
    // The old document goes only after the view has let go of it.
    std::unique_ptr<QPdfDocument> old = std::move(shown_);
    shown_ = std::move(result.document);
    shown_bytes_ = std::move(result.bytes);
    display_bytes_ = shown_bytes_;
    shown_password_ = result.password;
    view_->set_document(shown_.get(), keep_place && old);
    stack_->setCurrentWidget(reader_);
    // The structure is read once the first page is on screen.
    structure_pending_ = true;
    if (!view_->isVisible())
        start_structure();
    update_toolbar();
    // Reading and parsing leave freed heap behind; give it back to the system.
    malloc_trim(0);
    emit document_shown();
}

void pdf_component::show_message(const QString& text, failure_offer offer) {
    failure_.message->setText(text);
    failure_.retry->setVisible(offer == failure_offer::password);
    stack_->setCurrentWidget(failure_.panel);
    if (offer == failure_offer::password)
        failure_.retry->setFocus(); // Enter or Space gives the password
    if (!reader_)
        return;
    close_search();
    search_.reset();
    view_->set_document(nullptr);
    forget_structure();
    outline_panel_->clear();
    show_outline_tree({});
    shown_.reset();
    shown_bytes_.clear();
    display_bytes_.clear();
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
    view_->go_to_page(number_from_1 - 1);
    update_toolbar();
}

bool pdf_component::has_outline() const {
    return shown_ && outline_panel_ && !outline_panel_->empty();
}

void pdf_component::show_outline(bool shown) {
    toolbar_.outline->setChecked(shown);
    outline_->setVisible(shown && has_outline());
}

void pdf_component::print() {
    if (!shown_)
        return;
    const print_outcome done = print_with_dialog({*shown_, display_bytes_, shown_password_, src_},
                                                 std::max(0, view_->current_page()), window());
    if (!done.ok)
        emit notice(done.failure);
}

void pdf_component::preview() {
    if (shown_ && show_print_preview(*shown_, window()))
        print();
}

} // namespace krv
