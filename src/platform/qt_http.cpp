// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt_services.h"

#include "fetch/addresses.h"
#include "text/app_error.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QUrl>
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

class QtHttpRequest final : public HttpRequest {
public:
    QtHttpRequest(QNetworkAccessManager& manager, qint64 bodyCap) : m_manager(manager), m_bodyCap(bodyCap) {}
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
        m_connections[2] = QObject::connect(m_reply, &QNetworkReply::finished, m_reply, [this] {
            if (m_state != 4) {
                if (m_status == 0) {
                    m_status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
                }
                readAvailable();
                if (!m_failed && isTransferFailure(m_reply->error())) {
                    m_failed = true;
                    m_failure = m_reply->error() == QNetworkReply::TooManyRedirectsError
                                    ? u"重定向过多"_s
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
    std::array<QMetaObject::Connection, 4> m_connections;
    QByteArray m_body;
    int m_state = 0;
    int m_status = 0;
    bool m_failed = false;  // over the cap or cut short: whatever arrived is not the page
    QString m_failure;      // why, in words for the user
    QByteArray m_contentType;
    QString m_redirectedTo;
};

}  // namespace

std::unique_ptr<HttpRequest> QtHttpRequestFactory::create() {
    return std::make_unique<QtHttpRequest>(m_manager, m_bodyCap);
}

}  // namespace quorvane
