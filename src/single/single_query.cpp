// The single detailed query: one domain's figures in the detail strip.
#include "../window/form1.h"

#include <QLabel>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace quorvane {

void Form1::Text5_Click() {
    if (Text5->text() == kSampleDomain) {
        Text5->setText(QString());
    }
}

void Form1::Command11_Click() {
    ListView3->setVisible(false);
    for (QLabel* value : Label5) {
        setCaption(value, u"0"_s);
    }
    StatsRow() = 1;
    DomainQueryRow() = 1;
    SiteQueryRow() = 1;
    KeywordRow() = 1;
    KeywordPage() = 0;
    Check4 = 1;
    RequestStatsPage();
}

}  // namespace quorvane
