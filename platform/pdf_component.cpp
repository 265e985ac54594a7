#include "pdf_component.h"

#include "application.h"
#include "controls.h"
#include "errors.h"
#include "form.h"
#include "pdf_print.h"
#include "resources.h"
#include "twips.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPdfBookmarkModel>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedLayout>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <cerrno>
#include <malloc.h>

namespace krv {

namespace {

std::optional<QString> ask_password(const QString& file_name, bool again) {
    bool given = false;
    const QString text = again ? QStringLiteral("Mot de passe incorrect. Mot de passe du document « %1 » :")
                               : QStringLiteral("Le document « %1 » est protégé. Mot de passe :");
    const QString password = QInputDialog::getText(nullptr, QStringLiteral("Aide KRV"), text.arg(file_name),
                                                   QLineEdit::Password, QString(), &given);
    if (!given)
        return std::nullopt;
    return password;
}

password_prompt& prompt() {
    static password_prompt p = ask_password;
    return p;
}

// Reading keys: they work from the menu window too, sent on to the pages.
bool is_reading_key(const QKeyEvent* key) {
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    switch (key->key()) {
    case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Left: case Qt::Key_Right:
    case Qt::Key_PageUp: case Qt::Key_PageDown: case Qt::Key_Home: case Qt::Key_End:
    case Qt::Key_Space:
        return !ctrl;
    case Qt::Key_Plus: case Qt::Key_Equal: case Qt::Key_Minus: case Qt::Key_A: case Qt::Key_C:
        return ctrl;
    default:
        return false;
    }
}

// Sends a copy of a key press to another widget; true, as the original is then swallowed.
bool forward_key(QWidget* to, const QKeyEvent* key) {
    QKeyEvent copy(key->type(), key->key(), key->modifiers(), key->text(), key->isAutoRepeat(),
                   static_cast<quint16>(key->count()));
    QCoreApplication::sendEvent(to, &copy);
    return true;
}

// A thin bar across the reader (toolbar, search bar), its row of controls returned.
QHBoxLayout* make_bar(QWidget* bar, const QString& name, const char* colours) {
    bar->setObjectName(name);
    bar->setStyleSheet(QStringLiteral("#%1 { %2 }").arg(name, QLatin1String(colours)));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(4, 2, 4, 2);
    row->setSpacing(2);
    return row;
}

} // namespace

void set_password_prompt(password_prompt p) { prompt() = p ? std::move(p) : ask_password; }

QString pdf_failure_text(QPdfDocument::Error error, const QString& file_name) {
    switch (error) {
    case QPdfDocument::Error::FileNotFound:
        return QStringLiteral("Document introuvable : %1").arg(file_name);
    case QPdfDocument::Error::InvalidFileFormat:
        return QStringLiteral("Ce document n'est pas un PDF lisible (fichier endommagé ou "
                              "d'un autre type) : %1").arg(file_name);
    case QPdfDocument::Error::IncorrectPassword:
        return QStringLiteral("Ce document est protégé par un mot de passe : %1").arg(file_name);
    case QPdfDocument::Error::UnsupportedSecurityScheme:
        return QStringLiteral("La protection de ce document n'est pas prise en charge : %1")
            .arg(file_name);
    case QPdfDocument::Error::None:
    case QPdfDocument::Error::Unknown:
    case QPdfDocument::Error::DataNotYetAvailable:
        break;
    }
    return QStringLiteral("Impossible d'afficher le document : %1").arg(file_name);
}

document_bytes read_document(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const QFileInfo info(path);
    if (!info.exists())
        return {{}, pdf_failure_text(QPdfDocument::Error::FileNotFound, name)};
    if (info.isDir())
        return {{}, QStringLiteral("« %1 » est un dossier, pas un document").arg(name)};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const int err = errno;
        return {{}, QStringLiteral("Document illisible : %1 (%2)").arg(name, system_message(err))};
    }
    QByteArray data = file.readAll();
    if (data.isEmpty())
        return {{}, QStringLiteral("Document vide : %1").arg(name)};
    return {std::move(data), {}};
}

pdf_component::pdf_component(QWidget* parent) : QWidget(parent) {
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);

    message_ = new QLabel(this);
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setMargin(to_pixels(600));
    message_->setFont(font_named(QStringLiteral("Arial"), 12));
    message_->setStyleSheet(QStringLiteral("QLabel { background: #f4f4f4; color: #202020; }"));

    stack_->addWidget(message_);
    stack_->setCurrentWidget(message_);

    // A changed file is read again a moment later, once its writer is done.
    reload_timer_.setSingleShot(true);
    reload_timer_.setInterval(300);
    connect(&reload_timer_, &QTimer::timeout, this, &pdf_component::reload);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { reload_timer_.start(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (QFileInfo::exists(src_) && !watcher_.files().contains(src_))
            reload_timer_.start(); // replaced by a new file under the same name
    });

    add_key_hook(this, [this](QObject* receiver, QKeyEvent* key) { return reading_key(receiver, key); });
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

    // Toolbar: pages, zoom, search, print, outline.
    toolbar_ = new QWidget(reader_);
    auto* row = make_bar(toolbar_, QStringLiteral("barre"), "background: #eef0f3; border-bottom: 1px solid #c8ccd2;");
    auto* previous = tool("outil_precedent", QStringLiteral("Page précédente"));
    auto* next = tool("outil_suivant", QStringLiteral("Page suivante"));
    page_field_ = new QLineEdit(toolbar_);
    page_field_->setFixedWidth(44);
    page_field_->setAlignment(Qt::AlignRight);
    page_field_->setValidator(new QIntValidator(1, 999999, page_field_));
    page_field_->setToolTip(QStringLiteral("Aller à la page (Entrée)"));
    page_field_->setAccessibleName(QStringLiteral("Numéro de page"));
    page_total_ = new QLabel(toolbar_);
    page_total_->setAccessibleName(QStringLiteral("Nombre de pages"));
    auto* zoom_out = tool("outil_zoom_arriere", QStringLiteral("Zoom arrière (Ctrl+-)"));
    zoom_label_ = new QLabel(toolbar_);
    zoom_label_->setMinimumWidth(44);
    zoom_label_->setAlignment(Qt::AlignCenter);
    zoom_label_->setAccessibleName(QStringLiteral("Zoom"));
    auto* zoom_in = tool("outil_zoom_avant", QStringLiteral("Zoom avant (Ctrl++)"));
    auto* fit_width = tool("outil_largeur", QStringLiteral("Ajuster à la largeur"));
    auto* fit_page = tool("outil_page_entiere", QStringLiteral("Page entière"));
    auto* search = tool("outil_rechercher", QStringLiteral("Rechercher (Ctrl+F)"));
    auto* print_button = tool("outil_imprimer", QStringLiteral("Imprimer (Ctrl+P)"));
    auto* preview_button = tool("outil_apercu", QStringLiteral("Aperçu avant impression"));
    outline_button_ = tool("outil_sommaire", QStringLiteral("Afficher ou masquer le sommaire"));
    outline_button_->setCheckable(true);
    row->addWidget(previous);
    row->addWidget(next);
    row->addWidget(page_field_);
    row->addWidget(page_total_);
    row->addSpacing(10);
    row->addWidget(zoom_out);
    row->addWidget(zoom_label_);
    row->addWidget(zoom_in);
    row->addWidget(fit_width);
    row->addWidget(fit_page);
    row->addStretch(1);
    row->addWidget(search);
    row->addWidget(print_button);
    row->addWidget(preview_button);
    row->addWidget(outline_button_);
    column->addWidget(toolbar_);

    // Search bar, shown by Ctrl+F.
    search_bar_ = new QWidget(reader_);
    auto* find_row = make_bar(search_bar_, QStringLiteral("recherche"),
                              "background: #fff8dc; border-bottom: 1px solid #e0d49c;");
    search_field_ = new QLineEdit(search_bar_);
    search_field_->setPlaceholderText(QStringLiteral("Rechercher dans le document"));
    search_field_->setAccessibleName(QStringLiteral("Texte recherché"));
    search_field_->setClearButtonEnabled(true);
    auto* find_previous_button = tool("outil_precedent", QStringLiteral("Résultat précédent (Maj+F3)"));
    auto* find_next_button = tool("outil_suivant", QStringLiteral("Résultat suivant (F3)"));
    search_status_ = new QLabel(search_bar_);
    search_status_->setMinimumWidth(110);
    search_status_->setAccessibleName(QStringLiteral("Résultats de la recherche"));
    auto* close_search_button = tool("outil_fermer", QStringLiteral("Fermer la recherche (Échap)"));
    find_row->addWidget(search_field_, 1);
    find_row->addWidget(find_previous_button);
    find_row->addWidget(find_next_button);
    find_row->addWidget(search_status_);
    find_row->addWidget(close_search_button);
    search_bar_->hide();
    column->addWidget(search_bar_);

    splitter_ = new QSplitter(reader_);
    splitter_->setChildrenCollapsible(false);
    outline_ = new QTreeView(splitter_);
    outline_->setHeaderHidden(true);
    outline_->setAccessibleName(QStringLiteral("Sommaire"));
    bookmarks_ = new QPdfBookmarkModel(this);
    outline_->setModel(bookmarks_);
    outline_->hide();
    view_ = new pdf_page_view(splitter_);
    view_->setAccessibleName(QStringLiteral("Pages du document"));
    splitter_->addWidget(outline_);
    splitter_->addWidget(view_);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({to_pixels(3000), to_pixels(10000)});
    column->addWidget(splitter_, 1);

    stack_->addWidget(reader_);

    connect(previous, &QToolButton::clicked, this, [this] { view_->go_to_page(view_->current_page() - 1); });
    connect(next, &QToolButton::clicked, this, [this] { view_->go_to_page(view_->current_page() + 1); });
    connect(page_field_, &QLineEdit::returnPressed, this, [this] {
        go_to_page_number(page_field_->text().toInt());
        view_->setFocus();
    });
    connect(zoom_in, &QToolButton::clicked, view_, &pdf_page_view::zoom_in);
    connect(zoom_out, &QToolButton::clicked, view_, &pdf_page_view::zoom_out);
    connect(fit_width, &QToolButton::clicked, this,
            [this] { view_->set_zoom_mode(pdf_page_view::zoom_mode::fit_width); });
    connect(fit_page, &QToolButton::clicked, this,
            [this] { view_->set_zoom_mode(pdf_page_view::zoom_mode::fit_page); });
    connect(search, &QToolButton::clicked, this, &pdf_component::open_search);
    connect(print_button, &QToolButton::clicked, this, &pdf_component::print);
    connect(preview_button, &QToolButton::clicked, this, &pdf_component::preview);
    connect(outline_button_, &QToolButton::toggled, this, &pdf_component::show_outline);
    connect(outline_, &QTreeView::activated, this, [this](const QModelIndex& index) {
        const int page = index.data(static_cast<int>(QPdfBookmarkModel::Role::Page)).toInt();
        const QPointF at = index.data(static_cast<int>(QPdfBookmarkModel::Role::Location)).toPointF();
        // Outline places count from the page's bottom, as PDF does.
        const double height = shown_ ? shown_->pagePointSize(page).height() : 0;
        view_->go_to_page(page, QPointF(0, at.y() > 0 ? std::max(0.0, height - at.y()) : 0));
    });
    connect(outline_, &QTreeView::clicked, outline_, &QTreeView::activated);
    connect(view_, &pdf_page_view::current_page_changed, this, &pdf_component::update_toolbar);
    connect(view_, &pdf_page_view::zoom_changed, this, &pdf_component::update_toolbar);
    connect(search_field_, &QLineEdit::returnPressed, this, [this] { find(search_field_->text()); });
    connect(find_next_button, &QToolButton::clicked, this, &pdf_component::find_next);
    connect(find_previous_button, &QToolButton::clicked, this, &pdf_component::find_previous);
    connect(close_search_button, &QToolButton::clicked, this, &pdf_component::close_search);

    view_->set_highlight_source([this](int page) {
        std::vector<page_highlight> marks;
        if (!search_)
            return marks;
        const auto first = std::lower_bound(hits_.begin(), hits_.end(), page,
                                            [](const search_hit& h, int p) { return h.page < p; });
        for (auto it = first; it != hits_.end() && it->page == page; ++it)
            for (const QRectF& r : search_->rectangles(*it))
                marks.push_back({r, it - hits_.begin() == current_hit_});
        return marks;
    });

    update_toolbar();
}

QToolButton* pdf_component::tool(const char* icon, const QString& tip) {
    auto* button = new QToolButton(this);
    button->setIcon(QIcon(images::outil(icon)));
    button->setIconSize(QSize(20, 20));
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(tip);
    button->setAccessibleName(tip);
    return button;
}

QString pdf_component::message() const {
    return stack_->currentWidget() == message_ ? message_->text() : QString();
}

pdf_component::loading pdf_component::open_document(const QString& path, bool may_ask) {
    loading result;
    result.path = path;
    document_bytes bytes = read_document(path);
    if (!bytes.failure.isEmpty()) {
        result.failure = bytes.failure;
        return result;
    }
    result.bytes = std::move(bytes.data);
    const QString name = QFileInfo(path).fileName();
    bool again = false;
    QString password = path == src_ ? shown_password_ : QString();
    for (;;) {
        auto document = std::make_unique<QPdfDocument>();
        if (!password.isEmpty())
            document->setPassword(password);
        auto* buffer = new QBuffer(document.get());
        buffer->setData(result.bytes);
        buffer->open(QIODevice::ReadOnly);
        document->load(buffer);
        if (document->status() == QPdfDocument::Status::Ready) {
            if (document->pageCount() <= 0) {
                result.failure = QStringLiteral("Ce document ne contient aucune page : %1").arg(name);
                return result;
            }
            result.document = std::move(document);
            result.password = password;
            return result;
        }
        if (document->error() != QPdfDocument::Error::IncorrectPassword) {
            result.failure = pdf_failure_text(document->error(), name);
            return result;
        }
        if (!may_ask) {
            result.needs_password = true;
            return result;
        }
        if (!again)
            show_message(QStringLiteral("Le document « %1 » est protégé par un mot de passe.").arg(name));
        const std::optional<QString> given = prompt()(name, again);
        if (!given) {
            result.failure = QStringLiteral("Ce document est protégé par un mot de passe, qui n'a pas été "
                                            "donné : %1").arg(name);
            return result;
        }
        password = *given;
        again = true;
    }
}

void pdf_component::prepare(const QString& path) {
    ensure_reader();
    prepared_ = open_document(path, false);
}

void pdf_component::set_src(const QString& path) {
    ensure_reader();
    loading result;
    if (prepared_.path == path && !prepared_.needs_password &&
        (prepared_.document || !prepared_.failure.isEmpty()))
        result = std::exchange(prepared_, loading{});
    prepared_ = {};
    src_ = path;
    shown_password_.clear();
    if (!result.document && result.failure.isEmpty())
        result = open_document(path, true);
    watch(path);
    show_document(std::move(result), false);
}

void pdf_component::watch(const QString& path) {
    if (!watcher_.files().isEmpty())
        watcher_.removePaths(watcher_.files());
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    if (QFileInfo::exists(path))
        watcher_.addPath(path);
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo(folder).isDir())
        watcher_.addPath(folder);
}

void pdf_component::reload() {
    if (src_.isEmpty())
        return;
    if (QFileInfo::exists(src_) && !watcher_.files().contains(src_))
        watcher_.addPath(src_);
    const document_bytes bytes = read_document(src_);
    if (!bytes.failure.isEmpty() || bytes.data == shown_bytes_)
        return; // caught half-written or gone: what shows stays until it opens cleanly
    loading result = open_document(src_, false);
    if (!result.document)
        return;
    show_document(std::move(result), true);
}

void pdf_component::show_document(loading result, bool keep_place) {
    if (!result.document) {
        show_message(result.failure);
        return;
    }
    close_search();
    search_.reset();
    // The old document goes only after the view has let go of it.
    std::unique_ptr<QPdfDocument> old = std::move(shown_);
    shown_ = std::move(result.document);
    shown_bytes_ = std::move(result.bytes);
    shown_password_ = result.password;
    view_->set_document(shown_.get(), keep_place && old);
    bookmarks_->setDocument(shown_.get());
    const bool outline = has_outline();
    outline_button_->setVisible(outline);
    outline_->setVisible(outline && outline_button_->isChecked());
    if (outline)
        outline_->expandToDepth(0);
    stack_->setCurrentWidget(reader_);
    update_toolbar();
    // Reading and parsing leave freed heap behind; give it back to the system.
    malloc_trim(0);
    emit document_shown();
}

void pdf_component::show_message(const QString& text) {
    message_->setText(text);
    stack_->setCurrentWidget(message_);
    if (!reader_)
        return;
    close_search();
    search_.reset();
    view_->set_document(nullptr);
    bookmarks_->setDocument(nullptr);
    shown_.reset();
    shown_bytes_.clear();
    update_toolbar();
}

void pdf_component::update_toolbar() {
    const int count = view_->page_count();
    const int page = view_->current_page();
    if (!page_field_->hasFocus())
        page_field_->setText(count ? QString::number(page + 1) : QString());
    page_total_->setText(QStringLiteral("/ %1").arg(count));
    zoom_label_->setText(QStringLiteral("%1 %").arg(qRound(view_->zoom() * 100)));
}

void pdf_component::go_to_page_number(int number_from_1) {
    view_->go_to_page(number_from_1 - 1);
    update_toolbar();
}

bool pdf_component::has_outline() const { return shown_ && bookmarks_ && bookmarks_->rowCount() > 0; }

void pdf_component::show_outline(bool shown) {
    outline_button_->setChecked(shown);
    outline_->setVisible(shown && has_outline());
}

// ---------------------------------------------------------------- search

bool pdf_component::search_open() const { return search_bar_ && search_bar_->isVisible(); }

void pdf_component::open_search() {
    if (!shown_)
        return;
    search_bar_->show();
    window()->activateWindow();
    search_field_->setFocus();
    search_field_->selectAll();
}

void pdf_component::close_search() {
    if (!reader_)
        return;
    const bool had_focus = search_field_->hasFocus();
    search_bar_->hide();
    hits_.clear();
    current_hit_ = -1;
    searched_.clear();
    search_status_->clear();
    view_->viewport()->update();
    if (had_focus)
        view_->setFocus();
}

void pdf_component::find(const QString& text) {
    if (!shown_)
        return;
    if (text == searched_ && !hits_.empty()) {
        find_next();
        return;
    }
    if (!search_)
        search_ = std::make_unique<pdf_text_search>(shown_.get());
    searched_ = text;
    hits_ = search_->find(text);
    current_hit_ = -1;
    if (!hits_.empty()) {
        // The first hit from the page being read on, wrapping round.
        const int from = std::max(0, view_->current_page());
        const auto at = std::find_if(hits_.begin(), hits_.end(), [from](const search_hit& h) { return h.page >= from; });
        current_hit_ = at == hits_.end() ? 0 : static_cast<int>(at - hits_.begin());
    }
    update_hits_view();
}

void pdf_component::find_next() {
    if (hits_.empty()) {
        if (!search_field_->text().isEmpty() && search_field_->text() != searched_)
            find(search_field_->text());
        return;
    }
    current_hit_ = (current_hit_ + 1) % hit_count();
    update_hits_view();
}

void pdf_component::find_previous() {
    if (hits_.empty())
        return;
    current_hit_ = (current_hit_ - 1 + hit_count()) % hit_count();
    update_hits_view();
}

QString pdf_component::search_status() const { return search_status_->text(); }

void pdf_component::update_hits_view() {
    if (searched_.trimmed().isEmpty())
        search_status_->clear();
    else if (hits_.empty())
        search_status_->setText(QStringLiteral("Aucun résultat"));
    else
        search_status_->setText(QStringLiteral("%1 sur %2").arg(current_hit_ + 1).arg(hit_count()));
    if (current_hit_ >= 0) {
        const search_hit& hit = hits_[static_cast<std::size_t>(current_hit_)];
        QRectF where;
        for (const QRectF& r : search_->rectangles(hit))
            where = where.isNull() ? r : where.united(r);
        view_->ensure_visible(hit.page, where);
    }
    view_->viewport()->update();
    update_toolbar();
}

// ---------------------------------------------------------------- printing

void pdf_component::print() {
    if (shown_)
        print_with_dialog(*shown_, std::max(0, view_->current_page()), window());
}

void pdf_component::preview() {
    if (shown_)
        print_preview(*shown_, window());
}

// ---------------------------------------------------------------- keys

bool pdf_component::reading_key(QObject* receiver, QKeyEvent* key) {
    if (!receiver->isWidgetType() || QApplication::activeModalWidget() || !isVisible())
        return false;
    QWidget* window = static_cast<QWidget*>(receiver)->window();
    if (!qobject_cast<form*>(window))
        return false;
    const bool ctrl = key->modifiers() & Qt::ControlModifier;
    if (key->key() == Qt::Key_Escape && search_open()) {
        close_search();
        return true;
    }
    if (!shown_)
        return false;
    if (ctrl && key->key() == Qt::Key_F) {
        open_search();
        return true;
    }
    if (ctrl && key->key() == Qt::Key_P) {
        print();
        return true;
    }
    if (key->key() == Qt::Key_F3) {
        if (key->modifiers() & Qt::ShiftModifier)
            find_previous();
        else
            find_next();
        return true;
    }
    // Just after Ctrl+F typed in the menu window, the focus may not have moved yet:
    // what is typed there belongs to the search.
    const bool typing = !key->text().isEmpty() && key->text()[0].isPrint() &&
                        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (window != this->window() && search_open() &&
        (typing || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
         key->key() == Qt::Key_Backspace)) {
        return forward_key(search_field_, key);
    }
    // The menu window has nothing to scroll: its reading keys go to the pages.
    if (window != this->window() && is_reading_key(key)) {
        return forward_key(view_, key);
    }
    return false;
}

} // namespace krv
