#include "failure_panel.h"

#include "resources.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace krv {

namespace {

QLabel* make_text(QWidget* parent, int pixels, const char* colour) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText); // the messages name files
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("QLabel { color: %1; }").arg(QLatin1String(colour)));
    return label;
}

} // namespace

failure_panel make_failure_panel(QWidget* parent) {
    failure_panel f;
    // The card stands on the grey of the page area, as a page would.
    f.panel = new QWidget(parent);
    f.panel->setObjectName(QStringLiteral("echec"));
    f.panel->setStyleSheet(QStringLiteral("#echec { background: #d8dbdf; }"));
    auto* centre = new QVBoxLayout(f.panel);
    centre->setContentsMargins(24, 24, 24, 24);

    auto* card = new QFrame(f.panel);
    card->setObjectName(QStringLiteral("carte"));
    card->setStyleSheet(QStringLiteral(
        "#carte { background: white; border: 1px solid #b8bec6; border-radius: 6px; }"));
    card->setMinimumWidth(460); // wide enough for the message to read in a few lines
    card->setMaximumWidth(560);
    auto* row = new QHBoxLayout(card);
    row->setContentsMargins(24, 24, 28, 24);
    row->setSpacing(20);

    auto* picture = new QLabel(card);
    picture->setPixmap(pictures::sharp(pictures::doc_warning, parent->devicePixelRatioF()));
    picture->setAlignment(Qt::AlignTop);
    picture->setAccessibleName(QStringLiteral("Attention"));
    row->addWidget(picture, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(12);
    f.message = make_text(card, 17, "#202020");
    f.hint = make_text(card, 14, "#505860");
    f.hint->hide();
    f.retry = new QPushButton(QStringLiteral("Saisir le mot de passe…"), card);
    f.retry->hide();
    column->addWidget(f.message);
    column->addWidget(f.hint);
    column->addWidget(f.retry, 0, Qt::AlignLeft);
    row->addLayout(column, 1);

    // Stretches rather than an alignment, so that the card grows as high as its
    // wrapped lines need.
    auto* across = new QHBoxLayout;
    across->addStretch(1);
    across->addWidget(card, 10);
    across->addStretch(1);
    centre->addStretch(1);
    centre->addLayout(across);
    centre->addStretch(2);
    return f;
}

} // namespace krv
