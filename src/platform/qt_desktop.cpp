// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_desktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>
#include <memory>

using namespace Qt::StringLiterals;

namespace quorvane {

bool loadQtChineseTexts(QCoreApplication& app) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(u"qtbase_zh_CN"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        return false;
    }
    translator->setParent(&app);  // the application owns it from here on
    return QCoreApplication::installTranslator(translator.release());
}

QString defaultFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

}  // namespace quorvane
