#include "resources.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <cmath>

namespace krv::pictures {

namespace {

// A picture read in the format its name gives, without asking Qt's image format
// plugins whether they would read it: asked, Qt loads every one of them (SVG and
// its library, ICO, JPEG), some 10 ms of the start-up before the viewer's timer
// is armed. PNG is Qt's own; a GIF loads the GIF plugin alone.
QImage read_picture(const QString& file) {
    QImageReader reader(file, QFileInfo(file).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

} // namespace

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
    QImage own = read_picture(picture);
    if (ratio <= 1.0)
        return QPixmap::fromImage(std::move(own));
    const QString twice = rendition(picture, QStringLiteral("@2x"));
    QImage image = QFileInfo::exists(twice) ? read_picture(twice) : own;
    const QSize device(static_cast<int>(std::ceil(own.width() * ratio)),
                       static_cast<int>(std::ceil(own.height() * ratio)));
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
    // Pictures, not files: a file added to an icon has Qt look through its icon
    // engine plugins too. Up to 64 pixels: Qt sends every size to the window system
    // with each window it creates, and the 128 and 256 ones (320 KB of the 350)
    // took some 10 ms of the viewer's showing, before its timer was armed. Task bars
    // and switchers that want larger ones take the installed theme's, through the
    // desktop entry.
    QIcon icon;
    for (const QString& file : {icon_16, icon_32_16_colours, icon_32, icon_48, icon_64})
        icon.addPixmap(QPixmap::fromImage(read_picture(file)));
    return icon;
}

} // namespace krv::pictures
