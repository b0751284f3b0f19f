// SPDX-License-Identifier: GPL-3.0-or-later
// The single detailed query: one domain's figures in the detail strip.
#include "form1.h"

#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// The label of a statistics figure in the detail strip.
std::size_t labelFor(StatsField field) {
    switch (field) {
        case StatsField::Weight:
            return 0;
        case StatsField::Keywords:
            return 1;
        case StatsField::Traffic:
            return 2;
        case StatsField::Snapshot:
            return 3;
        case StatsField::Indexed:
            return 4;
    }
    return 0;
}

}  // namespace

void Form1::Text5_Click() {
    if (Text5->text() == kSampleDomain) {
        Text5->setText(QString());
    }
}

void Form1::Command11_Click() {
    ListView3->setVisible(false);
    // The batch run ends here; Start in the batch view runs it again.
    Timer1.setEnabled(false);
    m_keywords.query(Text5->text());
}

// The query's figures as the run holds them: "0" until the page is read, "失败" and why where it
// holds none; the page counts, and why the keyword run stopped early.
void Form1::showSingleFigures() {
    for (const StatsField field : {StatsField::Weight, StatsField::Keywords, StatsField::Traffic,
                                   StatsField::Snapshot, StatsField::Indexed}) {
        const Figure& figure = m_keywords.figure(field);
        QLabel* value = Label5[labelFor(field)];
        setCaption(value, figure.known() ? figure.shown() : u"0"_s);
        setTip(value, figure.state == Figure::State::Failed ? figure.reason : QString());
    }
    setCaption(Label5[5], QString::number(m_keywords.pagesTotal()));
    setCaption(Label5[6], QString::number(m_keywords.pagesDone()));
    setTip(Label5[5], QString());
    setTip(Label5[6], m_keywords.haltReason());
}

}  // namespace quorvane
