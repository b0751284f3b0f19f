// SPDX-License-Identifier: GPL-3.0-or-later
// Double-click on a result list: copy a domain or keyword, or open the search engine's page.
#include "fetch/addresses.h"
#include "form1.h"
#include "text/app_error.h"

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// The column under client x: the last whose left edge lies strictly left of it; 0 when none.
int columnAt(const ListView& list, int x) {
    for (int column = list.items().headerCount(); column >= 1; --column) {
        if (list.columnLeft(column) / list.twipsPerPixelX() < x) {
            return column;
        }
    }
    return 0;
}

}  // namespace

int Form1::hitColumn(const ListView& list, QPoint client) const {
    if (list.hitTest(client.x() * TwipsPerPixelX(), client.y() * m_twipsPerPixelY) == 0) {
        return 0;  // empty space or the header
    }
    return columnAt(list, client.x());
}

void Form1::copyToClipboard(const QString& text, const QString& success) {
    m_services.clipboard.clear();
    m_services.clipboard.setText(text);
    // Another program may hold the clipboard: claim success only for what really arrived.
    if (m_services.clipboard.text() != text) {
        showMessage(u"复制失败，剪贴板暂时不可用，请重试！"_s);
    } else if (!success.isEmpty()) {
        showMessage(success);
    }
}

void Form1::domainCellAction(int row, int cell) {
    const QString domain = ListView1->items().subItem(row, DomainCell::Domain);
    if (cell == DomainCell::Domain) {
        copyToClipboard(domain, u"复制成功，您可以粘贴到任意处！"_s);
    } else if (cell == DomainCell::Indexed) {
        openPage(siteQueryAddress(m_batch.sites().searchEngine, domain));
    } else if (cell == DomainCell::Backlinks) {
        openPage(domainQueryAddress(m_batch.sites().searchEngine, domain));
    }
}

void Form1::openPage(const QString& address) {
    if (!m_services.shell.openUrl(address)) {
        showFailure(u"无法打开网页："_s + address + u"\n没有找到可以打开它的浏览器。"_s);
    }
}

void Form1::copyKeyword(const ListView& list, int row) {
    copyToClipboard(list.items().subItem(row, KeywordCell::Keyword),
                    u"关键词复制成功，您可以粘贴到任意处！"_s);
}

void Form1::ListView1_DblClick(QPoint client) {
    resumeNext([&] {
        const int column = hitColumn(*ListView1, client);
        const int row = ListView1->selectedItem();
        if (column == 0 || row == 0) {
            return;
        }
        // Header positions count from 1, cells from 0.
        domainCellAction(row, column - 1);
    });
}

void Form1::keywordListDblClick(ListView& list, QPoint client) {
    resumeNext([&] {
        const int row = list.selectedItem();
        if (hitColumn(list, client) == KeywordCell::Keyword + 1 && row != 0) {
            copyKeyword(list, row);
        }
    });
}

void Form1::ListView2_DblClick(QPoint client) {
    keywordListDblClick(*ListView2, client);
}

void Form1::ListView3_DblClick(QPoint client) {
    keywordListDblClick(*ListView3, client);
}

}  // namespace quorvane
