#include "resources.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <cmath>

namespace krv::pictures {

QStringList all() {
#define KRV_PICTURE_ENTRY(name, file) name,
    return {KRV_PICTURES(KRV_PICTURE_ENTRY)};
#undef KRV_PICTURE_ENTRY
}

QString rendition(const QString& picture, const QString& scale) {
    const qsizetype dot = picture.lastIndexOf(u'.');
    return picture.left(dot) + scale + picture.mid(dot);
}

QStringList renditions(const QString& picture) {
    QStringList files{picture};
    for (const QString& scale : {QStringLiteral("@1.5x"), QStringLiteral("@2x")})
        if (QFileInfo::exists(rendition(picture, scale)))
            files << rendition(picture, scale);
    return files;
}

QPixmap sharp(const QString& picture, qreal ratio) {
    if (ratio <= 1.0)
        return QPixmap(picture);
    const QString twice = rendition(picture, QStringLiteral("@2x"));
    QImage image(QFileInfo::exists(twice) ? twice : picture);
    const QSize logical = QImageReader(picture).size();
    const QSize device(static_cast<int>(std::ceil(logical.width() * ratio)),
                       static_cast<int>(std::ceil(logical.height() * ratio)));
    if (image.size() != device)
        image = image.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
}

QIcon tool_icon(const QString& picture) {
    // Each drawing under its own size, so that Qt takes the one drawn for the
    // screen's ratio (left to itself it would enlarge the 1x drawing at 1.5).
    QIcon icon;
    for (const QString& file : renditions(picture))
        icon.addFile(file, QImageReader(file).size());
    return icon;
}

QIcon application_icon() {
    QIcon icon;
    for (const QString& file :
         {icon_16, icon_32_16_colours, icon_32, icon_48, icon_64, icon_128, icon_256})
        icon.addFile(file);
    return icon;
}

} // namespace krv::pictures
