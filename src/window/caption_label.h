#pragma once

#include <QLabel>

namespace quorvane {

// A label whose blanks are half a Chinese character wide, as they are in 宋体, whatever face
// stands in for it: captions such as "共有:        页" leave gaps sized for the value labels.
class CaptionLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal blankWidth() const;
    qreal textWidth() const;
};

}  // namespace quorvane
