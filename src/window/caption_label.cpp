// SPDX-License-Identifier: GPL-3.0-or-later
#include "caption_label.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace quorvane {

void CaptionLabel::setGapFillers(std::initializer_list<QWidget*> siblings) {
    for (const QPointer<QWidget>& old : m_fillers) {
        if (old) {
            old->removeEventFilter(this);
        }
    }
    m_fillers.assign(siblings.begin(), siblings.end());
    for (QWidget* sibling : siblings) {
        if (sibling) {
            sibling->installEventFilter(this);
        }
    }
    adjustSize();
}

bool CaptionLabel::eventFilter(QObject* watched, QEvent* event) {
    // A figure that grows with its text pushes the unit after it on.
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize) {
        adjustSize();
        update();
    }
    return QLabel::eventFilter(watched, event);
}

qreal CaptionLabel::blankWidth() const {
    return QFontMetricsF(font()).horizontalAdvance(QChar(0x4E2D)) / 2;
}

std::vector<CaptionLabel::Run> CaptionLabel::runs() const {
    const QFontMetricsF metrics(font());
    const QString caption = text();
    const qreal blank = blankWidth();
    std::vector<Run> found;
    qreal x = 0;
    std::size_t gap = 0;
    qsizetype i = 0;
    while (i < caption.size()) {
        const qsizetype start = i;
        while (i < caption.size() && caption.at(i) != u' ') {
            ++i;
        }
        if (i > start) {
            found.push_back({caption.mid(start, i - start), x});
            x += metrics.horizontalAdvance(found.back().text);
        }
        if (i == caption.size()) {
            break;
        }
        for (; i < caption.size() && caption.at(i) == u' '; ++i) {
            x += blank;
        }
        if (gap < m_fillers.size() && m_fillers[gap] && m_fillers[gap]->parentWidget() == parentWidget()) {
            const QWidget& filler = *m_fillers[gap];
            x = std::max<qreal>(x, filler.x() + filler.width() - this->x() + kGapMargin);
        }
        ++gap;
    }
    return found;
}

qreal CaptionLabel::textWidth() const {
    const std::vector<Run> all = runs();
    return all.empty() ? 0 : all.back().left + QFontMetricsF(font()).horizontalAdvance(all.back().text);
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
    for (const Run& run : runs()) {
        painter.drawText(QPointF(run.left, baseline), run.text);
    }
}

}  // namespace quorvane
