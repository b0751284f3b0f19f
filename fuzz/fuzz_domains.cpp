// The domain box text: line breaks made CR LF, then the lines that hold a domain.

#include "batch/domain_list.h"
#include "fuzz_support.h"

#include <QStringList>

using namespace Qt::StringLiterals;
using quorvane::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString box = quorvane::fuzz::textFrom(data, size);
    const QString crLf = quorvane::withCrLfLineBreaks(box);
    for (qsizetype i = 0; i < crLf.size(); ++i) {
        if (crLf[i] == u'\r') {
            require(i + 1 < crLf.size() && crLf[i + 1] == u'\n', "every CR is followed by LF");
        } else if (crLf[i] == u'\n') {
            require(i > 0 && crLf[i - 1] == u'\r', "every LF follows a CR");
        }
        require(crLf[i] != QChar::ParagraphSeparator && crLf[i] != QChar::LineSeparator, "no separator left");
    }
    require(quorvane::withCrLfLineBreaks(crLf) == crLf, "making breaks CR LF twice changes nothing");
    QString flat = box;
    flat.remove(u'\r').remove(u'\n').remove(QChar::ParagraphSeparator).remove(QChar::LineSeparator);
    QString crLfFlat = crLf;
    require(crLfFlat.remove(u'\r').remove(u'\n') == flat, "only line breaks change");

    const std::vector<quorvane::DomainLine> lines = quorvane::domainLines(crLf);
    const QStringList pieces = crLf.isEmpty() ? QStringList{} : crLf.split(u"\r\n"_s);
    int previous = 0;
    qsizetype withStop = 0;
    for (const QString& piece : pieces) {
        withStop += piece.contains(u'.') ? 1 : 0;
    }
    require(static_cast<qsizetype>(lines.size()) == withStop, "every line with a full stop is a domain line");
    for (const quorvane::DomainLine& line : lines) {
        require(line.number > previous && line.number <= pieces.size(), "line numbers rise inside the text");
        require(line.domain == pieces.at(line.number - 1), "a domain is its line exactly");
        previous = line.number;
    }
    return 0;
}
