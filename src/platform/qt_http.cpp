// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_services.h"

#include "fetch/addresses.h"
#include "text/app_error.h"

#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>
#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace quorvane {

namespace {

// Network, proxy and protocol errors cut a transfer short; an HTTP error status still carries
// a whole page (a 404 body is delivered like any other).
bool isTransferFailure(QNetworkReply::NetworkError error) {
    const int code = static_cast<int>(error);
    return (code >= 1 && code < 200) || (code >= 300 && code < 400);
}

// The proxy's fault: its own errors always; a network error only while the proxy had not yet carried the
// request on (after that the server refused, closed or was slow).
bool isProxyFailure(QNetworkReply::NetworkError error, bool handedOn) {
    const int code = static_cast<int>(error);
    if (code >= 101 && code <= 199) {
        return true;
    }
    switch (error) {
        case QNetworkReply::ConnectionRefusedError:
        case QNetworkReply::RemoteHostClosedError:
        case QNetworkReply::HostNotFoundError:
        case QNetworkReply::TimeoutError:
        case QNetworkReply::TemporaryNetworkFailureError:
        case QNetworkReply::NetworkSessionFailedError:
        case QNetworkReply::UnknownNetworkError:
            return !handedOn;
        default:
            return false;
    }
}

class QtHttpRequest final : public HttpRequest {
public:
    QtHttpRequest(QNetworkAccessManager& manager, qint64 bodyCap, std::optional<Proxy> via = std::nullopt)
        : m_manager(manager), m_bodyCap(bodyCap), m_via(std::move(via)) {}
    ~QtHttpRequest() override { abort(); }

    void open(const QString& method, const QString& url, bool /*async*/) override {
        if (method != u"GET"_s) {
            throw AppError(AppError::kBadAddress, u"不支持的请求方法"_s);
        }
        const QUrl parsed(url, QUrl::TolerantMode);
        const QString scheme = parsed.scheme().toLower();
        if (!parsed.isValid() || (scheme != u"http"_s && scheme != u"https"_s) || parsed.host().isEmpty()) {
            throw AppError(AppError::kBadAddress, u"无法使用的地址: "_s + url);
        }
        m_url = parsed;
        m_state = 1;
    }

    void send() override {
        if (m_state != 1) {
            throw AppError(AppError::kBadAddress, u"请求尚未打开"_s);
        }
        QNetworkRequest request(m_url);
        m_reply = m_manager.get(request);
        m_connections[0] = QObject::connect(m_reply, &QNetworkReply::metaDataChanged, m_reply, [this] {
            if (m_state < 2) {
                m_state = 2;
            }
            m_status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            m_contentType = m_reply->rawHeader("Content-Type");
            // A body announced as larger than the cap fails before a byte of it is read.
            if (m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > m_bodyCap) {
                failOverCap();
            }
        });
        m_connections[1] =
            QObject::connect(m_reply, &QNetworkReply::readyRead, m_reply, [this] { readAvailable(); });
        m_connections[3] =
            QObject::connect(m_reply, &QNetworkReply::redirected, m_reply, [this](const QUrl& to) {
                m_redirectedTo = to.toString();
                // Baidu's robot check: going there only asks again and lengthens the block.
                if (isVerificationHost(to.host())) {
                    m_failed = true;
                    m_failure = kVerificationReason;
                    abort();
                    m_state = 4;
                }
            });
        m_connections[4] =
            QObject::connect(m_reply, &QNetworkReply::requestSent, m_reply, [this] { m_handedOn = true; });
        m_connections[2] = QObject::connect(m_reply, &QNetworkReply::finished, m_reply, [this] {
            if (m_state != 4) {
                if (m_status == 0) {
                    m_status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                }
                readAvailable();
                if (!m_failed && isTransferFailure(m_reply->error())) {
                    m_failed = true;
                    m_proxyFailed = m_via && isProxyFailure(m_reply->error(), m_handedOn);
                    // Qt's words name no credentials; the proxy is named as every message names it.
                    m_failure = m_reply->error() == QNetworkReply::TooManyRedirectsError ? u"重定向过多"_s
                                : m_proxyFailed
                                    ? u"代理 %1 连接失败：%2"_s.arg(redacted(*m_via), m_reply->errorString())
                                    : u"连接失败："_s + m_reply->errorString();
                }
                m_state = 4;
            }
        });
    }

    int readyState() const override { return m_state; }

    int status() const override { return m_status; }

    QString failure() const override { return m_failure; }

    QByteArray contentType() const override { return m_contentType; }

    QString redirectedTo() const override { return m_redirectedTo; }

    bool proxyFailed() const override { return m_state == 4 && m_proxyFailed; }

    bool handedOn() const override { return !m_via || m_handedOn; }

    std::optional<QByteArray> responseBody() const override {
        if (m_state != 4 || m_failed) {
            return std::nullopt;
        }
        return m_body;
    }

    void abort() override {
        if (m_reply) {
            QNetworkReply* reply = m_reply;
            m_reply = nullptr;
            for (const auto& connection : m_connections) {
                QObject::disconnect(connection);
            }
            reply->abort();
            reply->deleteLater();
        }
    }

private:
    void readAvailable() {
        if (!m_reply || m_failed) {
            return;
        }
        if (m_state < 3) {
            m_state = 3;
        }
        // Checked before reading, so the body never grows past the cap (nor doubles its buffer to pass it).
        if (m_body.size() + m_reply->bytesAvailable() > m_bodyCap) {
            failOverCap();
            return;
        }
        m_body += m_reply->readAll();
    }

    // Too large to be a page we read: stop the transfer now, report it as failed.
    void failOverCap() {
        m_failed = true;
        m_failure = u"页面过大"_s;
        m_body.clear();
        m_body.squeeze();
        abort();
        m_state = 4;
    }

    QNetworkAccessManager& m_manager;
    qint64 m_bodyCap;
    QUrl m_url;
    QPointer<QNetworkReply> m_reply;
    std::optional<Proxy> m_via;
    std::array<QMetaObject::Connection, 5> m_connections;
    QByteArray m_body;
    int m_state = 0;
    int m_status = 0;
    bool m_failed = false;  // over the cap or cut short: whatever arrived is not the page
    QString m_failure;      // why, in words for the user
    QByteArray m_contentType;
    QString m_redirectedTo;
    bool m_handedOn = false;  // written to the server, to an HTTP proxy or through a SOCKS5 one
    bool m_proxyFailed = false;
};

QNetworkProxy qtProxy(const Proxy& proxy) {
    return QNetworkProxy(
        proxy.kind == Proxy::Kind::Socks5 ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy, proxy.host,
        proxy.port, proxy.user, proxy.password);
}

}  // namespace

std::unique_ptr<HttpRequest> QtHttpRequestFactory::create() {
    return std::make_unique<QtHttpRequest>(m_manager, m_bodyCap);
}

std::unique_ptr<HttpRequest> QtHttpRequestFactory::create(const Proxy& via) {
    auto found = std::find_if(m_viaProxy.begin(), m_viaProxy.end(),
                              [&](const auto& entry) { return entry.first == via; });
    if (found == m_viaProxy.end()) {
        auto manager = std::make_unique<QNetworkAccessManager>();
        manager->setProxy(qtProxy(via));
        m_viaProxy.emplace_back(via, std::move(manager));
        found = std::prev(m_viaProxy.end());
    }
    return std::make_unique<QtHttpRequest>(*found->second, m_bodyCap, via);
}

QtHttpRequestFactory::~QtHttpRequestFactory() = default;

}  // namespace quorvane
