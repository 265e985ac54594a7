#include "resources.h"

namespace krv::pictures {

QStringList all() {
#define KRV_PICTURE_ENTRY(name, file) name,
    return {KRV_PICTURES(KRV_PICTURE_ENTRY)};
#undef KRV_PICTURE_ENTRY
}

QIcon application_icon() {
    QIcon icon;
    for (const QString& file :
         {icon_16, icon_32_16_colours, icon_32, icon_48, icon_64, icon_128, icon_256})
        icon.addFile(file);
    return icon;
}

} // namespace krv::pictures
