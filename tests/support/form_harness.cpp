// SPDX-License-Identifier: GPL-3.0-or-later
#include "form_harness.h"

#include <QFile>

#include "replica_site.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace quorvane::testing {

void failHere(const QByteArray& what, Here where) {
    if (QTest::currentTestFunction()) {
        QTest::qFail(what.constData(), where.file_name(), static_cast<int>(where.line()));
    }
    throw std::logic_error(what.toStdString());
}

int leftPixels(const ListView& list, int column) {
    return qRound(list.columnLeft(column) / list.twipsPerPixelX());
}

void doubleClick(ListView& list, int clientX, int row, bool topLine) {
    const int lastRow = list.items().itemCount() - 1;
    const QRect last = list.visualRect(list.items().index(lastRow, 0));
    const QRect at = row > 0 ? list.visualRect(list.items().index(row - 1, 0)) : QRect();
    const int y = row == 0 ? last.bottom() + 20 : topLine ? at.top() : at.center().y();
    const QPoint inViewport(
        list.viewport()->mapFrom(&list, QPoint(clientX, 0) + list.contentsRect().topLeft()).x(), y);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, inViewport);
}

QString FormDriver::text(QStringView name, Here where) const {
    if (const auto* label = form->findChild<QLabel*>(name.toString())) {
        return label->text();
    }
    if (const auto* box = form->findChild<QLineEdit*>(name.toString())) {
        return box->text();
    }
    return control<QPlainTextEdit>(name, where).toPlainText();
}

FormDriver& FormDriver::fill(QStringView name, const QString& text, Here where) {
    if (auto* box = form->findChild<QLineEdit*>(name.toString())) {
        box->setText(text);
    } else if (auto* combo = form->findChild<QComboBox*>(name.toString())) {
        combo->setEditText(text);
    } else {
        control<QPlainTextEdit>(name, where).setPlainText(text);
    }
    return *this;
}

void FormDriver::click(QStringView name, Here where) const {
    control<QAbstractButton>(name, where).click();
}

void FormDriver::clickHeader(QStringView name, int column, Here where) const {
    QHeaderView& header = *list(name, where).header();
    const QPoint middle(header.sectionViewportPosition(column - 1) + header.sectionSize(column - 1) / 2,
                        header.height() / 2);
    // A click that misses would leave the list as it was, and a test of sorting would prove nothing.
    if (header.logicalIndexAt(middle) != column - 1 || !header.viewport()->rect().contains(middle)) {
        failHere("no header of column " + QByteArray::number(column) + " in sight in " + name.toUtf8(),
                 where);
    }
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, middle);
}

bool FormDriver::showWindow() {
    form->show();
    return QTest::qWaitForWindowExposed(form.get());
}

bool FormDriver::showActive() {
    form->show();
    form->activateWindow();
    return QTest::qWaitForWindowActive(form.get());
}

bool FormDriver::showBatchView() {
    const bool active = showActive();
    click(u"Command14");
    return active;
}

void FormDriver::pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    if (!form->isActiveWindow()) {
        showActive();
    }
    QTest::keyClick(form.get(), key, modifiers);
}

void FormDriver::importFile(const QString& lines) {
    const QString path = folder.filePath(u"导入.txt"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(lines.toUtf8()) < 0) {
        qFatal("cannot write the domain file");
    }
    file.close();
    fill(u"Text2", path).click(u"Command6");
}

void FormDriver::filter(int kind, const QString& value) {
    control<QComboBox>(u"Combo2").setCurrentIndex(kind);
    fill(u"Text6", value).click(u"Command13");
}

QStringList FormDriver::rowCells(int row) const {
    QStringList cells;
    for (int k = 1; k <= 7; ++k) {
        cells.append(cell(row, k));
    }
    return cells;
}

bool FormDriver::allFilled() const {
    const ListModel& rows = list(u"ListView1").items();
    for (int row = 1; row <= rows.itemCount(); ++row) {
        for (int k = 2; k <= 7; ++k) {
            if (rows.subItem(row, k) == u"..."_s) {
                return false;
            }
        }
    }
    return true;
}

FormHarness::FormHarness(double logicalDpi, const QString& updateSite, const QString& historyFolder) {
    runs = makeRuns(historyFolder.isEmpty() ? folder.filePath(u"history"_s) : historyFolder);
    form =
        std::make_unique<Form1>(Form1Services{time, time, http, messages, dialogs, clipboard, shell}, *runs,
                                Form1Config{updateSite, folder.path(), [this] { ++ended; }, logicalDpi,
                                            settings, folder.filePath(u"Quorvane.conf"_s)});
}

// The window goes before the timers and requests it holds.
FormHarness::~FormHarness() {
    form.reset();
    runs.reset();  // their timers and requests go before the virtual time and fake HTTP do
}

RealForm::RealForm() {
    if (!site.listen()) {
        qFatal("replica site: %s", qPrintable(site.errorString()));
    }
    const QString base = site.baseUrl();
    runs = std::make_unique<Runs>(timers, clock, http, BatchRun::Sites{base, base},
                                  folder.filePath(u"history"_s));
    form = std::make_unique<Form1>(Form1Services{timers, clock, http, messages, dialogs, clipboard, shell},
                                   *runs, Form1Config{base, folder.path(), [] {}});
}

RealForm::~RealForm() {
    form.reset();
    runs.reset();  // their timers and requests go before the virtual time and fake HTTP do
}

}  // namespace quorvane::testing
