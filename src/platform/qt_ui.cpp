// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_services.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace quorvane {

MsgResult QtMessageBoxes::show(QWidget* parent, const QString& text, const QString& title, MsgButtons buttons,
                               MsgIcon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MsgIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MsgIcon::None:
            break;
    }
    if (buttons == MsgButtons::YesNoCancel || buttons == MsgButtons::YesNo) {
        const bool cancel = buttons == MsgButtons::YesNoCancel;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No |
                               (cancel ? QMessageBox::Cancel : QMessageBox::NoButton));
        box.button(QMessageBox::Yes)->setText(u"是"_s);
        box.button(QMessageBox::No)->setText(u"否"_s);
        if (cancel) {
            box.button(QMessageBox::Cancel)->setText(u"取消"_s);
        }
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(cancel ? QMessageBox::Cancel : QMessageBox::No);
        switch (box.exec()) {
            case QMessageBox::Yes:
                return MsgResult::Yes;
            case QMessageBox::No:
                return MsgResult::No;
            default:
                return MsgResult::Cancel;
        }
    }
    if (buttons == MsgButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.button(QMessageBox::Cancel)->setText(u"取消"_s);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.button(QMessageBox::Ok)->setText(u"确定"_s);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? MsgResult::Ok : MsgResult::Cancel;
}

std::optional<QString> QtFileDialogs::openFile(QWidget* parent, const QString& title, const QString& folder,
                                               const QString& filter) {
    const QString chosen = QFileDialog::getOpenFileName(parent, title, folder, filter);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen;
}

std::optional<SaveChoice> QtFileDialogs::saveFile(QWidget* parent, const QString& title, const QString& start,
                                                  const QString& filters) {
    QFileDialog dialog(parent, title, start, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The filter's suffix joins a bare name before the dialog asks about overwriting, so the question
    // is about the file really written.
    const auto suffixOf = [&dialog](const QString& filter) {
        static const QRegularExpression pattern(u"\\(\\*\\.(\\w+)\\)"_s);
        dialog.setDefaultSuffix(pattern.match(filter).captured(1));
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, suffixOf);
    suffixOf(dialog.selectedNameFilter());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return SaveChoice{dialog.selectedFiles().constFirst(), dialog.selectedNameFilter()};
}

void QtClipboard::clear() {
    QGuiApplication::clipboard()->clear();
}

void QtClipboard::setText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

QString QtClipboard::text() const {
    return QGuiApplication::clipboard()->text();
}

bool QtShell::openUrl(const QString& address) {
    return QDesktopServices::openUrl(QUrl(address, QUrl::TolerantMode));
}

bool QtShell::openFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace quorvane
