// The PDF display component of the viewer window: give it the path of a PDF in
// its document source and it shows the pages, or a French message saying why it
// cannot. A compact toolbar and the usual keys let the reader scroll, zoom, go to
// a page, search, print, and follow the document's outline. Documents are read
// into memory first, so that a file rewritten while it is shown cannot hang the
// renderer; a changed file is shown again once it opens cleanly.
#pragma once

#include "pdf_page_view.h"
#include "pdf_search.h"

#include <QFileSystemWatcher>
#include <QPdfDocument>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QSplitter;
class QStackedLayout;
class QToolButton;
class QTreeView;
class QPdfBookmarkModel;

namespace krv {

/// Asks for the password of a protected document; nothing when the user gives up.
/// `again` is true after a wrong password.
using password_prompt = std::function<std::optional<QString>(const QString& file_name, bool again)>;

/// Replaces the password prompt (tests); an empty function restores the dialog.
void set_password_prompt(password_prompt prompt);

class pdf_component : public QWidget {
    Q_OBJECT
public:
    explicit pdf_component(QWidget* parent);
    ~pdf_component() override;

    /// The document source: the full path of the PDF to show.
    void set_src(const QString& path);
    const QString& src() const { return src_; }
    /// Starts reading a document that set_src will soon ask for.
    void prepare(const QString& path);

    /// The message shown instead of a document; empty while a document shows.
    QString message() const;
    QPdfDocument* document() const { return shown_.get(); }
    pdf_page_view* view() const { return view_; }

    // Reading, as the toolbar and the keys do it.
    void open_search();
    void close_search();
    bool search_open() const;
    /// Searches `text` from the current page on (or goes to the next hit of the same text).
    void find(const QString& text);
    void find_next();
    void find_previous();
    int hit_count() const { return static_cast<int>(hits_.size()); }
    /// The hit the reader is on, from 0; -1 when none.
    int current_hit() const { return current_hit_; }
    const std::vector<search_hit>& hits() const { return hits_; }
    QString search_status() const;
    bool has_outline() const;
    void show_outline(bool shown);
    QTreeView* outline() const { return outline_; }
    void go_to_page_number(int number_from_1);
    void print();
    void preview();

    /// Reloads the shown file now if it changed (the file watcher does it by itself).
    void reload();

    // The toolbar, for the tests and the accessibility tools.
    QLineEdit* page_field() const { return page_field_; }
    QLineEdit* search_field() const { return search_field_; }
    QLabel* page_total() const { return page_total_; }
    QLabel* zoom_label() const { return zoom_label_; }

signals:
    /// A document has opened and its pages are on screen.
    void document_shown();

private:
    struct loading {
        QString path;
        QByteArray bytes;
        std::unique_ptr<QPdfDocument> document;
        QString failure;
        bool needs_password = false;
        QString password;
    };
    void ensure_reader();
    loading open_document(const QString& path, bool may_ask);
    void show_document(loading result, bool keep_place);
    void show_message(const QString& text);
    void update_toolbar();
    void update_hits_view();
    void watch(const QString& path);
    bool reading_key(QObject* receiver, QKeyEvent* key);
    QToolButton* tool(const char* icon, const QString& tip);

    QString src_;
    loading prepared_;
    std::unique_ptr<QPdfDocument> shown_;
    QByteArray shown_bytes_;
    QString shown_password_;

    QStackedLayout* stack_;
    QLabel* message_;
    QWidget* reader_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QTreeView* outline_ = nullptr;
    QPdfBookmarkModel* bookmarks_ = nullptr;
    pdf_page_view* view_ = nullptr;
    QWidget* toolbar_ = nullptr;
    QLineEdit* page_field_ = nullptr;
    QLabel* page_total_ = nullptr;
    QLabel* zoom_label_ = nullptr;
    QToolButton* outline_button_ = nullptr;
    QWidget* search_bar_ = nullptr;
    QLineEdit* search_field_ = nullptr;
    QLabel* search_status_ = nullptr;

    std::unique_ptr<pdf_text_search> search_;
    QString searched_;
    std::vector<search_hit> hits_;
    int current_hit_ = -1;

    QFileSystemWatcher watcher_;
    QTimer reload_timer_;
};

/// What to tell the user when a document cannot be shown; `file_name` is the name
/// without its folder.
QString pdf_failure_text(QPdfDocument::Error error, const QString& file_name);

/// The bytes of a document file, or the French message saying why they cannot be read.
struct document_bytes {
    QByteArray data;
    QString failure;
};
document_bytes read_document(const QString& path);

} // namespace krv
