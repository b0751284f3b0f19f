// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the three file paths and opening the named files with the desktop's program.
#include "form1.h"
#include "text/app_error.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// The first file the path names, taken as a pattern ("*" and "?"); hidden files count,
// folders never. Empty when none matches.
QString firstMatch(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!name.contains(u'*') && !name.contains(u'?')) {
        return info.isFile() ? path : QString();
    }
    const QStringList matches =
        info.dir().entryList({name}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    return matches.isEmpty() ? QString() : info.dir().filePath(matches.first());
}

}  // namespace

void Form1::choosePath(QLineEdit* box) {
    // Starts where the default files are: the program's own folder means nothing here. Every file is
    // listed: "*.*" would hide the names without a dot.
    const std::optional<QString> chosen =
        m_services.dialogs.openFile(this, u"打开文件"_s, m_config.documentsFolder, u"所有文件 (*)"_s);
    if (chosen) {
        box->setText(*chosen);
    }
}

void Form1::viewPath(const QLineEdit* box) {
    // The desktop opens files, not patterns: a pattern opens the first file it matches.
    const QString file = firstMatch(box->text());
    if (file.isEmpty()) {
        showFailure(u"找不到要打开的文件："_s + box->text());
    } else if (!m_services.shell.openFile(file)) {
        showFailure(u"无法打开文件："_s + file + u"\n没有找到可以打开它的程序。"_s);
    }
}

void Form1::Command1_Click() {
    choosePath(Text2);
}

void Form1::Command4_Click() {
    choosePath(Text3);
}

void Form1::Command18_Click() {
    choosePath(Text7);
}

void Form1::Command5_Click() {
    viewPath(Text2);
}

void Form1::Command7_Click() {
    viewPath(Text3);
}

void Form1::Command17_Click() {
    viewPath(Text7);
}

}  // namespace quorvane
