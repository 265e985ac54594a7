#include "desktop.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>

namespace krv {

void set_mouse_pointer(mouse_pointer pointer) {
    if (pointer == mouse_pointer::busy) {
        if (QApplication::overrideCursor())
            QApplication::changeOverrideCursor(Qt::WaitCursor);
        else
            QApplication::setOverrideCursor(Qt::WaitCursor);
        return;
    }
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

mouse_pointer current_mouse_pointer() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor ? mouse_pointer::busy : mouse_pointer::arrow;
}

bool open_in_browser(const QString& address) {
    return QDesktopServices::openUrl(QUrl(address));
}

} // namespace krv
