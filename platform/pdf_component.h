// The PDF display component of the viewer window: give it the path of a PDF in
// its document source and it shows the pages, or a French message saying why
// it cannot. Documents are read into memory first, so that a file rewritten
// while it is shown cannot hang the renderer.
#pragma once

#include <QPdfDocument>
#include <QWidget>

class QLabel;
class QPdfView;
class QStackedLayout;
class QBuffer;

namespace krv {

class pdf_component : public QWidget {
    Q_OBJECT
public:
    explicit pdf_component(QWidget* parent);

    /// The document source: the full path of the PDF to show.
    void set_src(const QString& path);
    const QString& src() const { return src_; }
    /// Starts reading a document that set_src will soon ask for.
    void prepare(const QString& path);

    /// The message shown instead of a document; empty while a document shows.
    QString message() const;
    QPdfDocument* document() const { return shown_; }
    QPdfView* view() const { return view_; }

signals:
    /// A document has opened and its pages are on screen.
    void document_shown();

private:
    struct loading {
        QString path;
        QPdfDocument* document = nullptr;
        QString failure;
    };
    loading open_document(const QString& path);
    void show_document(loading result);
    void show_message(const QString& text);

    QString src_;
    loading prepared_;
    QPdfDocument* shown_ = nullptr;
    QStackedLayout* stack_;
    QLabel* message_;
    QPdfView* view_;
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
