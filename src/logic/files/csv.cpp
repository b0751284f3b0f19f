// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/csv.h"

#include "text/textcut.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

bool startsFormula(const QString& cell) {
    if (cell.isEmpty()) {
        return false;
    }
    const QChar first = cell.front();
    const bool trigger =
        first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' || first == u'\r';
    // "-3" is a figure, not a formula.
    return trigger && !text::cellNumber(cell);
}

}  // namespace

QString csvField(const QString& cell) {
    const QString value = startsFormula(cell) ? u'\'' + cell : cell;
    if (!value.contains(u',') && !value.contains(u'"') && !value.contains(u'\r') && !value.contains(u'\n')) {
        return value;
    }
    QString quoted = value;
    quoted.replace(u'"', u"\"\""_s);
    return u'"' + quoted + u'"';
}

QByteArray csvBytes(const QStringList& titles, int rowCount, const std::function<QStringList(int)>& rowAt) {
    QByteArray bytes("\xEF\xBB\xBF");
    const auto appendLine = [&](const QStringList& cells) {
        QString line;
        for (qsizetype field = 0; field < titles.size(); ++field) {
            if (field != 0) {
                line += u',';
            }
            line += csvField(field < cells.size() ? cells.at(field) : QString());
        }
        line += u"\r\n"_s;
        bytes += line.toUtf8();
    };
    appendLine(titles);
    for (int row = 1; row <= rowCount; ++row) {
        appendLine(rowAt(row));
    }
    return bytes;
}

QString csvPath(const QString& chosen, bool csvFilterSelected) {
    if (!csvFilterSelected || !QFileInfo(chosen).suffix().isEmpty()) {
        return chosen;
    }
    return chosen + u".csv"_s;
}

std::optional<QString> writeWholeFile(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) {
        return u"没有指定文件名。"_s;
    }
    const QFileInfo info(path);
    if (info.isDir()) {
        return u"无法写入 "_s + path + u"：这是一个文件夹。"_s;
    }
    if (!info.absoluteDir().exists()) {
        return u"无法写入 "_s + path + u"：文件夹不存在。"_s;
    }
    // Written beside the target and renamed over it once complete: a failure leaves no half file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return u"无法写入 "_s + path + u"：文件无法创建（可能是只读或没有权限）。"_s;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        return u"写入 "_s + path + u" 时出错（磁盘可能已满），文件没有写入。"_s;
    }
    return std::nullopt;
}

}  // namespace quorvane
