// SPDX-License-Identifier: GPL-3.0-or-later
// The single detailed query: one domain's figures in the detail strip.
#include "form1.h"

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
        setTip(value, QString());
    }
    // The batch run ends here cleanly: its cursors are reset, so a reply still in flight, a pending
    // resume or a pause boundary would write into wrong rows or halt this query. Start in the batch
    // view runs it again.
    m_run.singleQuery();
    endBlockPause();
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    pr2.detach();
    pr3.detach();
    RequestStatsPage();
}

}  // namespace quorvane
