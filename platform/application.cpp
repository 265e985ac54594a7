#include "application.h"

#include "form.h"

#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

namespace krv {

application::application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("krv_pdf"));
    setApplicationVersion(QStringLiteral("1.00"));
    setOrganizationName(QStringLiteral("KRV"));
    setDesktopFileName(QStringLiteral("example.krv.AideKRV"));
    load_qt_translations(*this);
    install_font_substitutions();
}

application::~application() { unload_all_forms(); }

bool application::notify(QObject* receiver, QEvent* e) {
    if (preview_key(receiver, e))
        return true;
    return QApplication::notify(receiver, e);
}

bool load_qt_translations(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void install_font_substitutions() {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Serif"),
                               {QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
    QFont::insertSubstitutions(QStringLiteral("Arial"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
}

} // namespace krv
