// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fetch/services.h"
#include "ui_services.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

class QTimer;

namespace quorvane {

// Periodic precise Qt timers keyed by our own ids.
class QtSystemTimers final : public QObject, public SystemTimers {
    Q_OBJECT
public:
    explicit QtSystemTimers(QObject* parent = nullptr) : QObject(parent) {}
    TimerId setTimer(int intervalMs, Callback proc) override;
    void killTimer(TimerId id) override;

private:
    std::unordered_map<TimerId, QTimer*> m_timers;  // children of this object
    TimerId m_nextId = 1;
};

class QtClock final : public Clock {
public:
    qint64 nowSeconds() const override;
};

// Requests on a shared QNetworkAccessManager; bodies beyond the cap end the request as failed. A request
// through a proxy goes on a manager of that proxy's own: a manager's proxy applies to the connections it
// opens next, and it reuses kept-alive ones, so a shared manager would send requests through whichever
// proxy an idle connection was opened with.
class QtHttpRequestFactory final : public HttpRequestFactory {
public:
    explicit QtHttpRequestFactory(QNetworkAccessManager& manager, qint64 bodyCap = kDefaultBodyCap)
        : m_manager(manager), m_bodyCap(bodyCap) {}
    ~QtHttpRequestFactory() override;
    QtHttpRequestFactory(const QtHttpRequestFactory&) = delete;
    QtHttpRequestFactory& operator=(const QtHttpRequestFactory&) = delete;
    std::unique_ptr<HttpRequest> create() override;
    std::unique_ptr<HttpRequest> create(const Proxy& via) override;

    static constexpr qint64 kDefaultBodyCap = 32 * 1024 * 1024;

private:
    QNetworkAccessManager& m_manager;
    qint64 m_bodyCap;
    std::vector<std::pair<Proxy, std::unique_ptr<QNetworkAccessManager>>> m_viaProxy;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    MsgResult show(QWidget* parent, const QString& text, const QString& title, MsgButtons buttons,
                   MsgIcon icon) override;
};

class QtFileDialogs final : public FileDialogs {
public:
    std::optional<QString> openFile(QWidget* parent, const QString& title, const QString& folder,
                                    const QString& filter) override;
    std::optional<SaveChoice> saveFile(QWidget* parent, const QString& title, const QString& start,
                                       const QString& filters) override;
};

class QtClipboard final : public Clipboard {
public:
    void clear() override;
    void setText(const QString& text) override;
    QString text() const override;
};

class QtShell final : public Shell {
public:
    bool openUrl(const QString& address) override;
    bool openFile(const QString& path) override;
};

}  // namespace quorvane
