// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/domain_file.h"

#include "text/cells.h"
#include "text/textcut.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

std::optional<QString> decodeStrictly(const QByteArray& bytes, const char* encoding) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError() || !decoder.isValid()) {
        return std::nullopt;
    }
    return text;
}

}  // namespace

std::optional<QString> decodeDomainFile(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        const auto text = decodeStrictly(bytes.mid(3), "UTF-8");
        return text && !text->contains(QChar(0)) ? text : std::nullopt;
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        // Qt's UTF-16 decoder reports neither a half code unit at the end (it writes a
        // replacement character) nor an unpaired surrogate: both are checked here.
        if (bytes.size() % 2 != 0) {
            return std::nullopt;
        }
        const auto text =
            decodeStrictly(bytes.mid(2), bytes.startsWith("\xFF\xFE") ? "UTF-16LE" : "UTF-16BE");
        return text && text->isValidUtf16() && !text->contains(QChar(0)) ? text : std::nullopt;
    }
    if (bytes.contains('\0')) {
        return std::nullopt;
    }
    if (auto text = decodeStrictly(bytes, "UTF-8")) {
        return text;
    }
    return decodeStrictly(bytes, "GBK");
}

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
    } else if (text = decodeDomainFile(bytes); !text) {
        problem = u"网址文件不是文本文件："_s;
    }
    return problem.isEmpty() ? DomainFileText{std::move(text), {}}
                             : DomainFileText{std::nullopt, problem + path};
}

}  // namespace quorvane
