// The print preview: the document's pages as they print, one under the other,
// rendered only where they show and at the screen's resolution, so that its
// memory stays that of the page view whatever the page count (Qt's own preview
// keeps every page as a full-resolution picture: 1.7 GB for 50 pages).
#pragma once

#include "pdf_thread.h"

#include <QDialog>

namespace krv {

class page_view;

class print_preview_dialog : public QDialog {
    Q_OBJECT
public:
    print_preview_dialog(const shared_document& document, QWidget* parent);
    page_view* view() const { return view_; }
    /// True once the user asked to print from the preview.
    bool print_asked() const { return print_asked_; }

private:
    page_view* view_;
    bool print_asked_ = false;
};

} // namespace krv
