#include "domain_list.h"

#include "../text/textcut.h"

using namespace Qt::StringLiterals;

namespace quorvane {

QString withCrLfLineBreaks(const QString& boxText) {
    QString text = boxText;
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    text.replace(u"\n"_s, u"\r\n"_s);
    return text;
}

std::vector<DomainLine> domainLines(const QString& crLfText) {
    std::vector<DomainLine> lines;
    const QStringList pieces = text::split(crLfText, u"\r\n"_s);
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (pieces.at(i).contains(u'.')) {
            lines.push_back({static_cast<int>(i) + 1, pieces.at(i)});
        }
    }
    return lines;
}

}  // namespace quorvane
