// Quorvane against the replica site on loopback: the whole program, offline.
// Usage: quorvane-demo [batch|single]
//   batch   opens the batch view and starts a run over the sample list
//   single  queries the sample domain in the single view
// The result files and a sample domain file live in a temporary folder that goes with the demo.
#include "platform/qt_desktop.h"
#include "platform/qt_platform.h"
#include "replica_site.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// Ordinary domains with a time-out, an error page and a robot check among them.
const QString kSampleList =
    u"www.baidu.com\nwww.qq.com\nwww.163.com\nhang.example.com\nwww.sina.com.cn\nnotfound.example.com\n"
    u"www.sohu.com\nverify.example.com\nwww.taobao.com\nwww.jd.com\nwww.zhihu.com\nwww.douban.com\n"
    u"www.bilibili.com\nwww.weibo.com\nwww.csdn.net\nwww.ctrip.com\nwww.meituan.com\nwww.ifeng.com\n"
    u"www.xinhuanet.com\nwww.people.com.cn\nwww.youku.com\nwww.iqiyi.com\nwww.58.com\nwww.anjuke.com\n"
    u"www.autohome.com.cn\n"_s;

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Quorvane"_s);
    quorvane::loadQtChineseTexts(app);

    quorvane::replica::ReplicaSite site;
    site.setExtraDelayMs(40);  // slow enough to watch the run fill in
    if (!site.listen()) {
        qCritical("replica site: %s", qPrintable(site.errorString()));
        return 1;
    }
    QTemporaryDir folder;
    if (!folder.isValid()) {
        qCritical("demo: no temporary folder: %s", qPrintable(folder.errorString()));
        return 1;
    }
    // The window's default domain file, so that "确认导入" has something to read.
    QFile sample(folder.filePath(u"批量网址.txt"_s));
    if (!sample.open(QIODevice::WriteOnly) || sample.write(kSampleList.toUtf8()) < 0) {
        qCritical("demo: cannot write the sample domain file");
        return 1;
    }
    sample.close();

    quorvane::QtPlatform platform;
    const QString base = site.baseUrl();
    quorvane::Form1 window(platform.services(),
                           {base, base, base + u"/update"_s, folder.path(), [] { QApplication::exit(0); }});
    window.show();
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "single") {
        window.Text5->setText(u"www.qq.com"_s);
        window.Command11->click();
    }
    if (mode == "batch") {
        window.Text1->setPlainText(kSampleList);
        window.Command14->click();
        window.Command12->click();
        window.Command3->click();
    }
    return QApplication::exec();
}
