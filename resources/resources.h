// The pictures compiled into the program, each under a named constant. The list
// below is the only list of them: the constants and all() are made from it, and
// the build compiles in whatever the pictures folder holds. Each picture is also
// drawn for screens of two device pixels per pixel ("x@2x.png"), and the toolbar's
// for 1.5 as well ("x@1.5x.png").
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <array>

#define KRV_PICTURES(X)                                                                            \
    X(bt_rech, "bt_rech.png")                                                                      \
    X(bt_fin, "bt_fin.png")                                                                        \
    X(btc_no, "btc_no.png")                                                                        \
    X(btc_ok, "btc_ok.png")                                                                        \
    X(logo, "logo.gif")                                                                            \
    X(doc_warning, "doc_warning.png")                                                              \
    X(ccb0, "ccb0.gif")                                                                            \
    X(ccb1, "ccb1.gif")                                                                            \
    X(ccb2, "ccb2.gif")                                                                            \
    X(ccb3, "ccb3.gif")                                                                            \
    X(ccb4, "ccb4.gif")                                                                            \
    X(ccb5, "ccb5.gif")                                                                            \
    X(ccb6, "ccb6.gif")                                                                            \
    X(ccb7, "ccb7.gif")                                                                            \
    X(icon_16, "icon_16.png")                                                                      \
    X(icon_32, "icon_32.png")                                                                      \
    X(icon_32_16_colours, "icon_32_16c.png")                                                       \
    X(icon_48, "icon_48.png")                                                                      \
    X(icon_64, "icon_64.png")                                                                      \
    X(icon_128, "icon_128.png")                                                                    \
    X(icon_256, "icon_256.png")                                                                    \
    X(tool_previous, "tool_previous.png")                                                          \
    X(tool_next, "tool_next.png")                                                                  \
    X(tool_zoom_in, "tool_zoom_in.png")                                                            \
    X(tool_zoom_out, "tool_zoom_out.png")                                                          \
    X(tool_fit_width, "tool_fit_width.png")                                                        \
    X(tool_fit_page, "tool_fit_page.png")                                                          \
    X(tool_search, "tool_search.png")                                                              \
    X(tool_print, "tool_print.png")                                                                \
    X(tool_preview, "tool_preview.png")                                                            \
    X(tool_outline, "tool_outline.png")                                                            \
    X(tool_close, "tool_close.png")                                                                \
    X(tool_back, "tool_back.png")                                                                  \
    X(tool_forward, "tool_forward.png")

namespace krv::pictures {

#define KRV_PICTURE_CONSTANT(name, file)                                                           \
    inline const QString name = QStringLiteral(":/pictures/" file);
KRV_PICTURES(KRV_PICTURE_CONSTANT)
#undef KRV_PICTURE_CONSTANT

/// The border pieces by index: the four corners (top-left, top-right, bottom-right,
/// bottom-left), then the left, top, right and bottom edges.
inline const std::array<QString, 8> border = {ccb0, ccb1, ccb2, ccb3, ccb4, ccb5, ccb6, ccb7};

/// Every picture of the list above.
QStringList all();

/// The file of a picture's drawing for a scale: "" (1), "@1.5x" or "@2x".
QString rendition(const QString& picture, const QString& scale);

/// Every file drawn for a picture, its 1x file first.
QStringList renditions(const QString& picture);

/// The picture for a screen of `ratio` device pixels per pixel: its own drawing at
/// 1, the 2x drawing above (scaled smoothly to the ratio when it is not 2).
QPixmap sharp(const QString& picture, qreal ratio);

/// A toolbar picture as an icon, with its drawings for 1, 1.5 and 2.
QIcon tool_icon(const QString& picture);

/// The windows' icon: the two 32 x 32 images and the 16, 48 and 64 ones (the
/// larger ones are installed in the icon theme).
QIcon application_icon();

} // namespace krv::pictures
