// Quorvane against the replica site on loopback: the whole program, offline.
// Usage: quorvane-demo [batch|single]
//   batch   opens the batch view and starts a run over a sample list
//   single  queries the sample domain in the single view
#include "platform/qt_platform.h"
#include "replica_site.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Quorvane"_s);

    quorvane::replica::ReplicaSite site;
    if (!site.listen()) {
        qCritical("replica site: %s", qPrintable(site.errorString()));
        return 1;
    }
    quorvane::QtPlatform platform;
    quorvane::Form1 window(
        platform.services(),
        {site.baseUrl(), site.baseUrl(), site.baseUrl(),
         QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), [] { QApplication::exit(0); }});
    window.show();
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "single") {
        window.Command11->click();
    }
    if (mode == "batch") {
        window.Text1->setPlainText(
            u"www.baidu.com\nwww.qq.com\nwww.163.com\nnomarker.example.com\nverify.example.com\nhang.example."
            u"com\n"
            "www.sina.com.cn\nwww.sohu.com\nwww.taobao.com\nwww.jd.com\nwww.zhihu.com\nwww.douban.com\n"_s);
        window.Command14->click();
        window.Command12->click();
        window.Command3->click();
    }
    return QApplication::exec();
}
