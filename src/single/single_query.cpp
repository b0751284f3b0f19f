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
    // The query must go out even after a batch Stop or Pause. The batch run ends here cleanly: its
    // cursors were just reset, so a reply still in flight, a pending resume or a pause boundary
    // would write into wrong rows or halt this query. Start in the batch view runs it again.
    Check1 = 0;
    Check2 = 0;
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    pr2.detach();
    pr3.detach();
    RequestStatsPage();
}

}  // namespace quorvane
