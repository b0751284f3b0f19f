// SPDX-License-Identifier: GPL-3.0-or-later
// The history: a list back after a crash, and what it holds of a domain.
#include "form1.h"
#include "history/history_window.h"

#include <QDateTime>
#include <QGroupBox>
#include <QLineEdit>

using namespace Qt::StringLiterals;

namespace quorvane {

void Form1::offerRestore() {
    HistoryStore& history = m_runs.history;
    for (const QString& problem : history.problems()) {
        showFailure(problem);
    }
    const std::optional<HistoryStore::Run> run = history.lastUnfinishedBatch();
    if (!run) {
        return;
    }
    const QString when = QDateTime::fromSecsSinceEpoch(run->started).toString(u"yyyy-MM-dd HH:mm"_s);
    const MsgResult answer = m_services.messages.show(
        this,
        u"上次的批量查询没有完成（已查询 %1 / 共 %2 条，%3）：恢复列表？"_s.arg(run->counted)
            .arg(run->rows)
            .arg(when),
        kAppTitle, MsgButtons::YesNo, MsgIcon::Question);
    // Asked once: either way the run stays in the history, and the next start asks nothing.
    history.finishRun(run->id);
    if (answer != MsgResult::Yes) {
        return;
    }
    const std::vector<HistoryStore::RestoredRow> rows = history.restoredRows(run->id);
    takeList([&] { m_batch.restore(rows); });
    m_runs.journal.adopt(run->id);  // Ctrl+R goes on from that run
    Command14_Click();
}

void Form1::showHistory(const QString& domain) {
    if (domain.trimmed().isEmpty()) {
        showMessage(Frame2->isHidden() ? u"请先在列表中选择一个域名。"_s : u"请先输入要查看历史的域名。"_s);
        return;
    }
    // Its own window, owned by this one: it may stay open beside the lists while a run goes on.
    auto* window = new HistoryWindow(domain, m_runs.history.historyOf(domain), m_services.clock.nowSeconds(),
                                     m_services.messages, m_services.dialogs,
                                     exportFolder(Frame2->isHidden() ? *ListView1 : *ListView2), this);
    window->show();
}

void Form1::showShownHistory() {
    if (!Frame2->isHidden()) {
        showHistory(singleDomain());
        return;
    }
    const QModelIndex current = ListView1->currentIndex();
    showHistory(current.isValid() ? ListView1->items().subItem(current.row() + 1, DomainCell::Domain)
                                  : QString());
}

QString Form1::singleDomain() const {
    return m_keywords.domain().isEmpty() ? Text5->text().trimmed() : m_keywords.domain();
}

}  // namespace quorvane
