#include "print_preview.h"

#include "page_view.h"
#include "printing.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace krv {

print_preview_dialog::print_preview_dialog(const shared_document& document, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Aperçu avant impression"));
    auto* column = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    const int count = document->page_count();
    auto* pages = new QLabel(
        count == 1 ? QStringLiteral("1 page") : QStringLiteral("%1 pages").arg(count), this);
    auto* whole = new QPushButton(QStringLiteral("Page entière"), this);
    auto* width = new QPushButton(QStringLiteral("Largeur"), this);
    auto* print = new QPushButton(QStringLiteral("Imprimer…"), this);
    auto* close = new QPushButton(QStringLiteral("Fermer"), this);
    bar->addWidget(pages);
    bar->addStretch(1);
    for (QPushButton* button : {whole, width, print, close})
        bar->addWidget(button);
    column->addLayout(bar);
    view_ = new page_view(this);
    view_->setAccessibleName(QStringLiteral("Pages à imprimer"));
    column->addWidget(view_, 1);
    // The pages take the keys at once (Page Down, Home, zoom), not the first button;
    // Enter still reaches the default one, "Imprimer…".
    view_->setFocus();
    view_->set_document(document);
    connect(view_, &page_view::first_painted, view_, &page_view::read_page_sizes);
    view_->set_zoom_mode(page_view::zoom_mode::fit_page);
    connect(whole, &QPushButton::clicked, this,
            [this] { view_->set_zoom_mode(page_view::zoom_mode::fit_page); });
    connect(width, &QPushButton::clicked, this,
            [this] { view_->set_zoom_mode(page_view::zoom_mode::fit_width); });
    connect(print, &QPushButton::clicked, this, [this] {
        print_asked_ = true;
        accept();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    print->setDefault(true);
    resize(parent ? parent->size().expandedTo(QSize(640, 600)) : QSize(800, 700));
}

bool show_print_preview(const shared_document& document, QWidget* parent) {
    // The busy pointer until the first pages are painted.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool busy = true;
    auto done = [&busy] {
        if (std::exchange(busy, false))
            QApplication::restoreOverrideCursor();
    };
    print_preview_dialog dialog(document, parent);
    QObject::connect(dialog.view(), &page_view::first_painted, &dialog, done);
    dialog.exec();
    done();
    return dialog.print_asked();
}

print_outcome preview_then_print(const printable_document& source, int current_page,
                                 QWidget* parent) {
    // `source` holds the previewed document: another one may take the reader's
    // place while the preview is open (the host starting the help again).
    if (!show_print_preview(source.document, parent))
        return {};
    return print_with_dialog(source, current_page, parent);
}

} // namespace krv
