// SPDX-License-Identifier: GPL-3.0-or-later
// The window on the desktop: captions that fit at any scale, names for screen readers, Qt's own
// texts in Chinese. Registered in CTest as is and again at QT_SCALE_FACTOR=1.5 and 2.
#include "form_harness.h"
#include "qt_desktop.h"

#include <QAccessible>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;
using namespace quorvane;
using quorvane::testing::FormHarness;

namespace {

// The part of a widget where its caption is drawn, cut to what its parent shows.
QRect captionRoom(QWidget* widget) {
    QRect room = widget->rect();
    QStyleOptionButton option;
    option.initFrom(widget);
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        option.text = button->text();
        room = widget->style()->subElementRect(QStyle::SE_PushButtonContents, &option, widget);
    } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
        option.text = check->text();
        room = widget->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, widget);
    }
    return room.intersected(widget->parentWidget()->rect().translated(-widget->pos()));
}

QString caption(const QWidget* widget) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->text();
    }
    return {};
}

// Controls of the window: ours, not the parts Qt builds inside them.
QList<QWidget*> controls(Form1& form) {
    QList<QWidget*> found;
    for (QWidget* widget : form.findChildren<QWidget*>()) {
        if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(u"qt_"_s)) {
            found.append(widget);
        }
    }
    return found;
}

// Whether any pixel of the columns [left, right) (logical pixels) differs from the background.
bool inkIn(const QImage& image, QColor background, int left, int right) {
    const qreal ratio = image.devicePixelRatio();
    const int from = std::max(0, static_cast<int>(std::floor(left * ratio)));
    const int to = std::min(image.width(), static_cast<int>(std::ceil(right * ratio)));
    for (int x = from; x < to; ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (std::abs(qGray(image.pixel(x, y)) - qGray(background.rgb())) > 40) {
                return true;
            }
        }
    }
    return false;
}

bool hasChinese(const QString& text) {
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF; });
}

}  // namespace

class TestDesktop final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowScales();
    void captionsFit();
    void boxNames_data();
    void boxNames();
    void everyControlNamed();
    void noObjectNameSpoken();
    void unitsClearOfTheirGaps_data();
    void unitsClearOfTheirGaps();
    void qtTextsInChinese();  // last: the translation stays installed
};

void TestDesktop::windowScales() {
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR", u"1"_s).toDouble();
    FormHarness h;
    QVERIFY(h.showWindow());
    QCOMPARE(h.form->devicePixelRatioF(), scale);
    QCOMPARE(h.form->size(), QSize(826, 638));
    QCOMPARE(h.form->grab().size(), QSize(826, 638) * scale);
}

void TestDesktop::captionsFit() {
    FormHarness h;
    QVERIFY(h.showWindow());
    QStringList clipped;
    int checked = 0;
    for (QWidget* widget : controls(*h.form)) {
        if (!qobject_cast<QPushButton*>(widget) && !qobject_cast<QCheckBox*>(widget) &&
            !qobject_cast<QLabel*>(widget)) {
            continue;
        }
        const QFontMetricsF metrics(widget->font());
        qreal width = metrics.horizontalAdvance(caption(widget));
        if (qobject_cast<QLabel*>(widget)) {
            width = std::max<qreal>(width, widget->sizeHint().width());  // captions draw blanks their own way
        }
        const QRect room = captionRoom(widget);
        ++checked;
        if (width > room.width() || metrics.height() > room.height()) {
            clipped.append(u"%1 \"%2\": needs %3x%4, has %5x%6"_s.arg(widget->objectName(), caption(widget))
                               .arg(width)
                               .arg(metrics.height())
                               .arg(room.width())
                               .arg(room.height()));
        }
    }
    QCOMPARE_GT(checked, 30);  // the enumeration found the controls
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(u"; "_s)));
}

// A box's name, and the label readers take its caption from: on Linux a combo box's caption comes from
// the label it is the buddy of, not from its name.
void TestDesktop::boxNames_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("captionLabel");  // empty: none
    QTest::newRow("domain list") << u"Text1"_s << u"批量网址"_s << QString();
    QTest::newRow("import path") << u"Text2"_s << u"导入路径"_s << u"Label1_0"_s;
    QTest::newRow("batch save path") << u"Text3"_s << u"保存路径"_s << u"Label1_1"_s;
    QTest::newRow("rows per pause") << u"Text4"_s << u"查询条数"_s << QString();
    QTest::newRow("pause seconds") << u"Combo1"_s << u"停顿秒数"_s << u"Label1_3"_s;
    QTest::newRow("domain") << u"Text5"_s << u"域名"_s << QString();
    QTest::newRow("filter kind") << u"Combo2"_s << u"结果过滤"_s << u"Label4_8"_s;
    QTest::newRow("filter value") << u"Text6"_s << u"过滤值"_s << QString();
    QTest::newRow("single save path") << u"Text7"_s << u"保存路径"_s << u"Label1_4"_s;
    QTest::newRow("batch results") << u"ListView1"_s << u"批量结果"_s << QString();
    QTest::newRow("keyword list") << u"ListView2"_s << u"关键词列表"_s << QString();
    QTest::newRow("filtered results") << u"ListView3"_s << u"过滤结果"_s << QString();
    QTest::newRow("batch settings") << u"Frame1"_s << u"批量查询设置"_s << QString();
    QTest::newRow("single view") << u"Frame2"_s << u"单条详细查询"_s << QString();
    QTest::newRow("single query band") << u"Frame3"_s << u"单条查询设置"_s << QString();
    QTest::newRow("single figures") << u"Frame4"_s << u"单条查询结果"_s << QString();
}

void TestDesktop::boxNames() {
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, captionLabel);
    FormHarness h;
    QWidget* widget = &h.control(control);  // fails the test when there is none
    QCOMPARE(widget->accessibleName(), name);
    if (captionLabel.isEmpty()) {
        return;
    }
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(box);
    QStringList labels;
    for (const auto& [label, relation] : box->relations(QAccessible::Label)) {
        labels.append(label->text(QAccessible::Name));
    }
    QCOMPARE(labels, QStringList{h.text(captionLabel)});
}

void TestDesktop::everyControlNamed() {
    FormHarness h;
    QList<QWidget*> values;
    for (const auto* name : {u"Label2", u"Label3", u"Label5_0", u"Label5_1", u"Label5_2", u"Label5_3",
                             u"Label5_4", u"Label5_5", u"Label5_6"}) {
        values.append(&h.control<QLabel>(name));
    }
    QHash<QString, QString> captionOfName;
    QStringList faults;
    for (QWidget* widget : controls(*h.form)) {
        const QString name = widget->accessibleName();
        if (values.contains(widget)) {
            // The reader speaks the figure itself; the description says what it is.
            if (!name.isEmpty() || widget->accessibleDescription().isEmpty()) {
                faults.append(widget->objectName() + u": value label"_s);
            }
            continue;
        }
        const auto* group = qobject_cast<QGroupBox*>(widget);
        const bool named = widget->focusPolicy() != Qt::NoFocus || !caption(widget).isEmpty() ||
                           (group && !group->title().isEmpty());
        if (named && name.isEmpty()) {
            faults.append(widget->objectName() + u": no name"_s);
        }
        if (caption(widget).isEmpty()) {
            continue;
        }
        const auto seen = captionOfName.constFind(name);
        if (seen != captionOfName.constEnd() && *seen != caption(widget)) {
            faults.append(widget->objectName() + u": name \""_s + name + u"\" also given to \""_s + *seen +
                          u'"');
        }
        captionOfName.insert(name, caption(widget));
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"; "_s)));
}

// What a reader speaks for each part of the window, as Qt's accessibility layer reports it: never a control's
// numbered name (a frame without a name of its own takes its parent frame's title, "Frame2"), and every frame
// has a name of its own.
void TestDesktop::noObjectNameSpoken() {
    FormHarness h;
    QSet<QString> objectNames;
    for (QWidget* widget : controls(*h.form)) {
        objectNames.insert(widget->objectName());
    }
    QStringList faults;
    int visited = 0;
    const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        ++visited;
        const QString name = node->text(QAccessible::Name);
        const QString what = node->object() ? node->object()->objectName() : u"a part"_s;
        if (objectNames.contains(name) || (qobject_cast<QGroupBox*>(node->object()) && !hasChinese(name))) {
            faults.append(what + u" is named \""_s + name + u'"');
        }
        for (int i = 0; i < node->childCount(); ++i) {
            if (QAccessibleInterface* child = node->child(i)) {
                walk(child);
            }
        }
    };
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(h.form.get());
    QVERIFY(window);
    walk(window);
    QCOMPARE_GT(visited, 60);  // the walk reached the controls of both views
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u"; "_s)));
}

void TestDesktop::unitsClearOfTheirGaps_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("fillers");  // left to right, each followed by a unit
    QTest::newRow("rows and seconds") << u"Label1_3"_s << QStringList{u"Text4"_s, u"Combo1"_s};
    QTest::newRow("imported") << u"Label1_5"_s << QStringList{u"Label3"_s};
    QTest::newRow("queried") << u"Label1_6"_s << QStringList{u"Label2"_s};
    QTest::newRow("pages in all") << u"Label4_1"_s << QStringList{u"Label5_5"_s};
    QTest::newRow("pages done") << u"Label4_7"_s << QStringList{u"Label5_6"_s};
}

void TestDesktop::unitsClearOfTheirGaps() {
    QFETCH(QString, caption);
    QFETCH(QStringList, fillers);
    FormHarness h;
    QVERIFY(h.showWindow());
    QLabel* label = &h.control<QLabel>(caption);
    for (const QString& name : fillers) {
        if (auto* value = h.form->findChild<QLabel*>(name)) {
            value->setText(u"33000"_s);  // as the window sets a figure
            value->adjustSize();
        }
    }
    const QImage image = label->grab().toImage();
    const QColor background = label->palette().color(QPalette::Window);
    for (const QString& name : fillers) {
        const QWidget* filler = &h.control(name);
        QCOMPARE(filler->parentWidget(), label->parentWidget());
        const int left = filler->x() - label->x();
        const int right = left + filler->width();
        QVERIFY2(!inkIn(image, background, left, right), qPrintable(name + u" covers caption text"_s));
        QVERIFY2(inkIn(image, background, right, label->width()), qPrintable(u"no unit after "_s + name));
    }
}

void TestDesktop::qtTextsInChinese() {
    QVERIFY(loadQtChineseTexts(*qApp));
    QVERIFY(hasChinese(QCoreApplication::translate("QFileDialog", "Look in:")));
    QLineEdit box(u"text"_s);
    const std::unique_ptr<QMenu> menu(box.createStandardContextMenu());
    int actions = 0;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            ++actions;
            QVERIFY2(hasChinese(action->text()), qPrintable(action->text()));
        }
    }
    QCOMPARE_GT(actions, 4);
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
