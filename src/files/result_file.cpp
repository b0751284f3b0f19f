#include "result_file.h"

#include "../window/list_model.h"

#include <langinfo.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

using namespace Qt::StringLiterals;

namespace quorvane {

QStringList resultLines(const ListModel& list, bool wholeRow, int lastSubItem) {
    QStringList lines;
    lines.reserve(list.itemCount());
    for (int row = 1; row <= list.itemCount(); ++row) {
        if (!wholeRow) {
            lines.append(list.subItem(row, 1));
            continue;
        }
        QString line = list.subItem(row, 1);
        for (int cell = 2; cell <= lastSubItem; ++cell) {
            line += u'|' + list.subItem(row, cell);
        }
        lines.append(line);
    }
    return lines;
}

QByteArray resultFileCharset() {
    const QByteArray codeset(nl_langinfo(CODESET));
    if (codeset.isEmpty() || codeset == "ANSI_X3.4-1968" ||
        codeset.compare("US-ASCII", Qt::CaseInsensitive) == 0 ||
        codeset.compare("ASCII", Qt::CaseInsensitive) == 0) {
        return QByteArrayLiteral("UTF-8");
    }
    return codeset;
}

std::optional<QString> appendLines(const QString& path, const QStringList& lines) {
    if (path.isEmpty()) {
        return u"没有指定保存路径。"_s;
    }
    QStringEncoder encoder(resultFileCharset().constData());
    if (!encoder.isValid()) {
        encoder = QStringEncoder(QStringConverter::Utf8);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        const QFileInfo info(path);
        if (!info.absoluteDir().exists()) {
            return u"无法保存到 "_s + path + u"：文件夹不存在。"_s;
        }
        return u"无法保存到 "_s + path + u"：文件无法打开（可能是只读、被占用或没有权限）。"_s;
    }
    // Written in chunks, so a failure keeps the lines before it and is noticed at once.
    constexpr qsizetype kChunk = 64 * 1024;
    QByteArray chunk;
    chunk.reserve(kChunk + 1024);
    auto flushChunk = [&]() -> bool {
        if (chunk.isEmpty()) {
            return true;
        }
        const bool written = file.write(chunk) == chunk.size() && file.flush();
        chunk.clear();
        return written;
    };
    for (const QString& line : lines) {
        chunk += encoder.encode(line);
        chunk += "\r\n";
        if (chunk.size() >= kChunk && !flushChunk()) {
            return u"写入 "_s + path + u" 时出错（磁盘可能已满）。已写入的行保留在文件中。"_s;
        }
    }
    if (!flushChunk()) {
        return u"写入 "_s + path + u" 时出错（磁盘可能已满）。已写入的行保留在文件中。"_s;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        return u"写入 "_s + path + u" 时出错（磁盘可能已满）。已写入的行保留在文件中。"_s;
    }
    return std::nullopt;
}

}  // namespace quorvane
