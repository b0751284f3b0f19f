// The window on the desktop: captions that fit at any scale, names for screen readers.
// Registered twice in CTest: as is, and at QT_SCALE_FACTOR=2.
#include "form_harness.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

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

}  // namespace

class TestDesktop final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void windowScales();
    void captionsFit();
    void boxNames_data();
    void boxNames();
    void everyControlNamed();
    void boxCaptions_data();
    void boxCaptions();
};

void TestDesktop::windowScales() {
    const double scale = qEnvironmentVariable("QT_SCALE_FACTOR", u"1"_s).toDouble();
    FormHarness h;
    h.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.form.get()));
    QCOMPARE(h.form->devicePixelRatioF(), scale);
    QCOMPARE(h.form->size(), QSize(826, 638));
    QCOMPARE(h.form->grab().size(), QSize(826, 638) * scale);
}

void TestDesktop::captionsFit() {
    FormHarness h;
    h.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(h.form.get()));
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

void TestDesktop::boxNames_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("domain list") << u"Text1"_s << u"批量网址"_s;
    QTest::newRow("import path") << u"Text2"_s << u"导入路径"_s;
    QTest::newRow("batch save path") << u"Text3"_s << u"保存路径"_s;
    QTest::newRow("rows per pause") << u"Text4"_s << u"查询条数"_s;
    QTest::newRow("pause seconds") << u"Combo1"_s << u"停顿秒数"_s;
    QTest::newRow("domain") << u"Text5"_s << u"域名"_s;
    QTest::newRow("filter kind") << u"Combo2"_s << u"结果过滤"_s;
    QTest::newRow("filter value") << u"Text6"_s << u"过滤值"_s;
    QTest::newRow("single save path") << u"Text7"_s << u"保存路径"_s;
    QTest::newRow("batch results") << u"ListView1"_s << u"批量结果"_s;
    QTest::newRow("keyword list") << u"ListView2"_s << u"关键词列表"_s;
    QTest::newRow("filtered results") << u"ListView3"_s << u"过滤结果"_s;
}

void TestDesktop::boxNames() {
    QFETCH(QString, control);
    QFETCH(QString, name);
    FormHarness h;
    auto* widget = h.form->findChild<QWidget*>(control);
    QVERIFY(widget);
    QCOMPARE(widget->accessibleName(), name);
}

void TestDesktop::everyControlNamed() {
    FormHarness h;
    Form1& f = *h.form;
    const QList<QLabel*> values = {f.Label2,    f.Label3,    f.Label5[0], f.Label5[1], f.Label5[2],
                                   f.Label5[3], f.Label5[4], f.Label5[5], f.Label5[6]};
    QHash<QString, QString> captionOfName;
    QStringList faults;
    for (QWidget* widget : controls(f)) {
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

// On Linux, readers take a combo box's caption from the label it is the buddy of, not from its name.
void TestDesktop::boxCaptions_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    QTest::newRow("import path") << u"Text2"_s << u"导入路径:"_s;
    QTest::newRow("batch save path") << u"Text3"_s << u"保存路径:"_s;
    QTest::newRow("pause seconds") << u"Combo1"_s << u"查询:          条，停        秒"_s;
    QTest::newRow("single save path") << u"Text7"_s << u"保存路径:"_s;
    QTest::newRow("filter kind") << u"Combo2"_s << u"结果过滤:"_s;
}

void TestDesktop::boxCaptions() {
    QFETCH(QString, control);
    QFETCH(QString, caption);
    FormHarness h;
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(h.form->findChild<QWidget*>(control));
    QVERIFY(box);
    QStringList labels;
    for (const auto& [label, relation] : box->relations(QAccessible::Label)) {
        labels.append(label->text(QAccessible::Name));
    }
    QCOMPARE(labels, QStringList{caption});
}

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
