#include "caption_label.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace quorvane {

qreal CaptionLabel::blankWidth() const {
    return QFontMetricsF(font()).horizontalAdvance(QChar(0x4E2D)) / 2;
}

qreal CaptionLabel::textWidth() const {
    const QFontMetricsF metrics(font());
    const QString caption = text();
    const qsizetype blanks = caption.count(u' ');
    QString solid = caption;
    solid.remove(u' ');
    return metrics.horizontalAdvance(solid) + static_cast<qreal>(blanks) * blankWidth();
}

QSize CaptionLabel::sizeHint() const {
    const QFontMetricsF metrics(font());
    return {static_cast<int>(std::ceil(textWidth())) + 1, static_cast<int>(std::ceil(metrics.height()))};
}

void CaptionLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(foregroundRole()));
    const QFontMetricsF metrics(font());
    const qreal baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    const QString caption = text();
    const qreal blank = blankWidth();
    qreal x = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= caption.size(); ++i) {
        if (i < caption.size() && caption.at(i) != u' ') {
            continue;
        }
        const QString run = caption.mid(start, i - start);
        painter.drawText(QPointF(x, baseline), run);
        x += metrics.horizontalAdvance(run);
        if (i < caption.size()) {
            x += blank;
        }
        start = i + 1;
    }
}

}  // namespace quorvane
