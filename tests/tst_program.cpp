// The whole program on the real stack against the replica site over loopback.
#include "form_harness.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace quorvane;
using namespace quorvane::testing;

class TestProgram final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oddDomainsAndErrorPages();
};

void TestProgram::oddDomainsAndErrorPages() {
    RealForm r;
    Form1& f = *r.form;
    const QStringList names = {u"a#b.com"_s, u"50%.com"_s, u"c?wd=x.com"_s, u"notfound.com"_s, u"中文.cn"_s};
    r.importDomains(names);
    f.Text4->setText(u"0"_s);
    f.Command3->click();
    QTRY_VERIFY_WITH_TIMEOUT(allFilledOf(f), 20'000);
    for (int row : {1, 2, 3, 5}) {
        QCOMPARE(rowCellsOf(f, row), expectedCells(names[row - 1]));
    }
    // The replica answers 404 pages: no figure, and no zero either.
    QCOMPARE(rowCellsOf(f, 4).mid(1), QStringList(6, u"失败"_s));
    QVERIFY(r.site.targets().contains("/baidu/a%23b.com/"));
    QVERIFY(r.site.targets().contains("/s?wd=domain%3A50%25.com"));
}

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
