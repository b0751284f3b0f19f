// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/result_file.h"

#include "text/app_error.h"

#include <langinfo.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace quorvane {

QString resultLine(std::span<const QStringView> fields) {
    // One allocation for the line: the fields are measured first, then copied in.
    qsizetype size = fields.empty() ? 0 : static_cast<qsizetype>(fields.size()) - 1;
    for (const QStringView text : fields) {
        size += text.size();
    }
    QString line(size, Qt::Uninitialized);
    QChar* out = line.data();
    for (std::size_t field = 0; field < fields.size(); ++field) {
        if (field > 0) {
            *out++ = u'|';
        }
        out = std::copy(fields[field].cbegin(), fields[field].cend(), out);
    }
    return line;
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

std::optional<QString> appendLines(const QString& path, int count,
                                   const std::function<QString(int)>& lineAt) {
    if (path.isEmpty()) {
        return u"没有指定保存路径。"_s;
    }
    // Stateless: a broken character at a line's end is replaced in that line, never carried into the next.
    QStringEncoder encoder(resultFileCharset().constData(), QStringConverter::Flag::Stateless);
    if (!encoder.isValid()) {
        encoder = QStringEncoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        if (!QFileInfo(path).absoluteDir().exists()) {
            return u"无法保存到 "_s + path + u"：文件夹不存在。"_s;
        }
        return u"无法保存到 "_s + path + u"：文件无法打开（可能是只读、被占用或没有权限）。"_s;
    }
    const QString writeFailed = u"写入 "_s + path + u" 时出错（磁盘可能已满）。之前写入的行保留在文件中。"_s;
    // Whole lines go out in chunks; the end of the last chunk that reached the file is where a
    // failed write is cut back to, so no half line is left behind.
    qint64 committed = file.size();
    constexpr qsizetype kChunk = 64 * 1024;
    QByteArray chunk;
    chunk.reserve(2 * kChunk);
    auto writeChunk = [&]() -> bool {
        if (chunk.isEmpty()) {
            return true;
        }
        if (file.write(chunk) != chunk.size() || !file.flush()) {
            file.resize(committed);
            return false;
        }
        committed += chunk.size();
        chunk.truncate(0);  // keeps the buffer for the next chunk
        return true;
    };
    for (int row = 1; row <= count; ++row) {
        QString line;
        try {
            line = lineAt(row);
        } catch (const AppError&) {
            return writeChunk() ? u"无法保存到 "_s + path + u"：第 "_s + QString::number(row) +
                                      u" 行不完整，之前的行已保存。"_s
                                : writeFailed;
        }
        // Encoded straight into the chunk: no byte array per line.
        const qsizetype at = chunk.size();
        chunk.resize(at + encoder.requiredSpace(line.size()) + 2);
        char* end = encoder.appendToBuffer(chunk.data() + at, line);
        *end++ = '\r';
        *end++ = '\n';
        chunk.truncate(end - chunk.constData());
        if (chunk.size() >= kChunk && !writeChunk()) {
            return writeFailed;
        }
    }
    if (!writeChunk()) {
        return writeFailed;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        return writeFailed;
    }
    return std::nullopt;
}

}  // namespace quorvane
