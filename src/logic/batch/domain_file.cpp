// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/domain_file.h"

#include "text/cells.h"
#include "text/text_file.h"
#include "text/textcut.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace quorvane {

std::optional<QStringList> savedRowFields(QStringView line) {
    if (line.count(u'|') != 6) {
        return std::nullopt;
    }
    QStringList fields;
    for (const QStringView field : line.split(u'|')) {
        // Only what this program writes is a figure; anything else is asked for again.
        const bool figure = fields.isEmpty() || field == kFailureText || field == kUnknown ||
                            text::isCount(field) || text::isCountRange(field) || text::isDate(field);
        fields.append(figure ? field.toString() : kUnknown);
    }
    return fields;
}

DomainFileText readDomainFile(const QString& path) {
    // A file beyond this is no list a person keeps; reading it whole would only stall the run.
    constexpr qint64 kMostDomainFileBytes = 64 * 1024 * 1024;
    const QFileInfo info(path);
    QString problem;
    std::optional<QString> text;
    if (!info.exists()) {
        problem = u"找不到网址文件："_s;
    } else if (!info.isFile()) {
        problem = u"这不是一个文件："_s;
    } else if (info.size() > kMostDomainFileBytes) {
        problem = u"网址文件太大（超过 64 MB）："_s;
    } else if (QFile file(path); !file.open(QIODevice::ReadOnly)) {
        problem = u"无法读取网址文件："_s;
    } else if (const QByteArray bytes = file.readAll(); file.error() != QFileDevice::NoError) {
        // A read that fails part way (a device, a file system error) is no empty list.
        problem = u"无法读取网址文件："_s;
    } else if (text = decodeUserText(bytes); !text) {
        problem = u"网址文件不是文本文件："_s;
    }
    return problem.isEmpty() ? DomainFileText{std::move(text), {}}
                             : DomainFileText{std::nullopt, problem + path};
}

}  // namespace quorvane
