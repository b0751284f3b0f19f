// SPDX-License-Identifier: GPL-3.0-or-later
// What the window says at start beside the window, and the one-time check for a newer version, five
// seconds after start.
#include "form1.h"
#include "text/app_error.h"

#include <QAbstractButton>
#include <QMessageBox>

using namespace Qt::StringLiterals;

namespace quorvane {

void Form1::sayAtStart(const QStringList& notices) {
    if (notices.isEmpty()) {
        return;
    }
    // Beside the window, not in its way: the window works meanwhile, with the defaults.
    auto* notice =
        new QMessageBox(QMessageBox::Warning, kAppTitle, notices.join(u"\n\n"_s), QMessageBox::Ok, this);
    notice->setObjectName(u"startNotice"_s);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    notice->setModal(false);
    notice->button(QMessageBox::Ok)->setText(u"确定"_s);
    notice->show();
}

void Form1::Timer3_Timer() {
    Timer3.setEnabled(false);
    CheckForUpdate();
}

void Form1::CheckForUpdate() {
    // No update site: a build without the check (QUORVANE_UPDATE_CHECK=OFF), so no request at all.
    if (m_config.updateSite.isEmpty()) {
        return;
    }
    HTTPPage2& page = pr5.renew(m_runs.fetch);
    // An address the HTTP layer refuses must not end the program; the check just does not happen.
    resumeNext([&] {
        page.SubIniData(m_config.updateSite + u"/article/html/14916.html"_s, Charset::Gb2312,
                        std::chrono::seconds(5));
    });
}

void Form1::pr5_HttpEvent(const QString& HereReturnCode) {
    if (HereReturnCode.contains(u"Vantorel12"_s)) {
        showMessage(u"有最新版本更新，功能更强大。请联系"_s + kSupportContact + u" 免费索取！"_s);
    }
}

}  // namespace quorvane
