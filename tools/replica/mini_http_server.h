// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small HTTP/1.1 server on loopback for tests and local runs. Every reply closes its
// connection, which keeps the server free of keep-alive bookkeeping; clients reconnect.

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>

#include <functional>
#include <memory>
#include <utility>

class QTcpSocket;

namespace quorvane::replica {

struct Request {
    QByteArray method;  // e.g. "GET"
    QByteArray target;  // raw request target as sent, e.g. "/s?wd=site%3Aa.com"
    QByteArray path;    // percent-decoded part of the target before '?'
    QByteArray query;   // raw part after '?', empty when there is none
    QList<std::pair<QByteArray, QByteArray>> headers;  // as sent, value trimmed
};

struct Reply {
    enum class Kind {
        Normal,   // status line, headers, body, then close
        Hang,     // never answer; hold the socket until the client leaves or the server goes
        Raw,      // write `raw` exactly as it is, then close
        Huge,     // 200 with Content-Length = hugeBytes, body streamed as the socket drains
        Trickle,  // status line and headers at once, then one byte of body every trickleMs
    };

    Kind kind = Kind::Normal;
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("text/html");
    QByteArray body;
    QByteArray raw;
    qint64 hugeBytes = 0;
    int delayMs = 0;    // answer this long after the request arrived (timer driven, never blocking)
    int trickleMs = 0;  // Trickle: time between two bytes of the body
    QList<std::pair<QByteArray, QByteArray>> headers;  // extra headers, e.g. Location

    static Reply ok(QByteArray body, QByteArray contentType = QByteArrayLiteral("text/html; charset=utf-8"));
    static Reply withStatus(int code, QByteArray body,
                            QByteArray contentType = QByteArrayLiteral("text/html"));
    static Reply hang();
    static Reply rawBytes(QByteArray bytes);
    static Reply huge(qint64 bytes);
    static Reply delayed(int ms, Reply reply);
    static Reply trickle(int msPerByte, Reply reply);
};

class MiniHttpServer final : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<Reply(const Request&)>;

    explicit MiniHttpServer(Handler handler, QObject* parent = nullptr);
    ~MiniHttpServer() override;

    // Listens on a loopback address, 127.0.0.1 unless told; port 0 takes any free port. A second call
    // re-binds. Qt sends nothing for 127.0.0.1 through a proxy: tests of proxies serve on 127.0.0.2.
    bool listen(quint16 port = 0, const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));
    quint16 port() const;               // 0 while not listening
    QString baseUrl() const;            // "http://ADDRESS:PORT", no trailing slash
    QString errorString() const;        // why listen() failed
    int requestCount() const;           // well-formed requests handed to the handler
    QList<QByteArray> targets() const;  // their targets, in arrival order
    int openConnections() const;        // sockets accepted and not yet closed

private:
    struct Connection;

    void acceptPending();
    void readFrom(QTcpSocket* socket, const std::shared_ptr<Connection>& connection);
    void dispatch(QTcpSocket* socket, const std::shared_ptr<Connection>& connection, const Request& request);
    void send(QTcpSocket* socket, const std::shared_ptr<Connection>& connection, const Reply& reply);
    void pump(QTcpSocket* socket, const std::shared_ptr<Connection>& connection);
    void dribble(QTcpSocket* socket, const std::shared_ptr<Connection>& connection, int msPerByte);
    void closed(const std::shared_ptr<Connection>& connection);

    QTcpServer tcp_;
    Handler handler_;
    QByteArray filler_;
    QList<QByteArray> targets_;
    int openConnections_ = 0;
};

}  // namespace quorvane::replica
