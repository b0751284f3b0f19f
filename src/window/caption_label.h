// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QPointer>
#include <initializer_list>
#include <vector>

namespace quorvane {

// A label whose blanks are half a Chinese character wide, as they are in 宋体, whatever face
// stands in for it: captions such as "共有:        页" leave gaps sized for the value labels.
// A gap may name the sibling that fills it; the text after that gap then starts clear of the
// sibling's right edge, since another face, another scale or a longer figure would run into it.
class CaptionLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    // Element i fills the caption's i-th run of blanks; null leaves a gap as it is.
    void setGapFillers(std::initializer_list<QWidget*> siblings);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    static constexpr int kGapMargin = 3;  // pixels between a sibling's edge and the text after it

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct Run {
        QString text;
        qreal left;
    };
    qreal blankWidth() const;
    std::vector<Run> runs() const;
    qreal textWidth() const;

    std::vector<QPointer<QWidget>> m_fillers;
};

}  // namespace quorvane
