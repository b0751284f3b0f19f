// SPDX-License-Identifier: GPL-3.0-or-later
#include "mini_http_server.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <string_view>

using namespace Qt::StringLiterals;

namespace quorvane::replica {

namespace {

// A request head larger than this is refused; real clients send a few hundred bytes.
constexpr qsizetype kMaxHeadBytes = 16 * 1024;
// Streamed bodies are written in chunks and topped up only while little is queued, so a
// slow reader never makes the server hold more than a few chunks.
constexpr qint64 kStreamChunk = 64 * 1024;
constexpr qint64 kStreamHighWater = 4 * kStreamChunk;

enum class HeadStatus { Incomplete, Complete, Malformed, TooLarge, BadVersion };

bool isTokenChar(char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
        return true;
    }
    constexpr std::string_view kPunctuation = "!#$%&'*+-.^_`|~";
    return kPunctuation.find(c) != std::string_view::npos;
}

bool isToken(QByteArrayView text) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isTokenChar);
}

bool isVisibleAscii(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7f; });
}

// Header text that could end a line would let a handler's value inject headers.
bool isSafeHeaderValue(QByteArrayView text) {
    return std::none_of(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

QByteArrayView chompCr(QByteArrayView line) {
    return line.endsWith('\r') ? line.chopped(1) : line;
}

HeadStatus sizeVerdict(const QByteArray& buffer) {
    return buffer.size() > kMaxHeadBytes ? HeadStatus::TooLarge : HeadStatus::Incomplete;
}

HeadStatus parseRequestLine(QByteArrayView line, Request& out) {
    const qsizetype firstSpace = line.indexOf(' ');
    if (firstSpace <= 0) {
        return HeadStatus::Malformed;
    }
    const qsizetype secondSpace = line.indexOf(' ', firstSpace + 1);
    if (secondSpace < 0 || line.indexOf(' ', secondSpace + 1) >= 0) {
        return HeadStatus::Malformed;
    }
    const QByteArrayView method = line.first(firstSpace);
    const QByteArrayView target = line.sliced(firstSpace + 1, secondSpace - firstSpace - 1);
    const QByteArrayView version = line.sliced(secondSpace + 1);
    if (!isToken(method) || !target.startsWith('/') || !isVisibleAscii(target)) {
        return HeadStatus::Malformed;
    }
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    if (version.size() != 8 || !version.startsWith("HTTP/") || !isDigit(version[5]) || version[6] != '.' ||
        !isDigit(version[7])) {
        return HeadStatus::Malformed;
    }
    if (version[5] != '1') {
        return HeadStatus::BadVersion;
    }
    out.method = method.toByteArray();
    out.target = target.toByteArray();
    const qsizetype question = target.indexOf('?');
    const QByteArrayView rawPath = question < 0 ? target : target.first(question);
    out.path = QByteArray::fromPercentEncoding(rawPath.toByteArray());
    out.query = question < 0 ? QByteArray() : target.sliced(question + 1).toByteArray();
    return HeadStatus::Complete;
}

// Parses the request head once it is complete; the buffer may hold any prefix of it.
HeadStatus parseHead(const QByteArray& buffer, Request& out) {
    qsizetype pos = 0;
    // Blank lines in front of a request line are tolerated, as HTTP/1.1 asks of servers.
    while (pos < buffer.size() && (buffer[pos] == '\r' || buffer[pos] == '\n')) {
        ++pos;
    }
    // Refuse a non-HTTP opener (a TLS hello, binary noise) as soon as it shows instead of
    // waiting for a line end that may never come.
    qsizetype methodEnd = pos;
    while (methodEnd < buffer.size() && isTokenChar(buffer[methodEnd])) {
        ++methodEnd;
    }
    if (methodEnd < buffer.size() && (buffer[methodEnd] != ' ' || methodEnd == pos)) {
        return HeadStatus::Malformed;
    }
    const qsizetype lineEnd = buffer.indexOf('\n', pos);
    if (lineEnd < 0) {
        return sizeVerdict(buffer);
    }
    const HeadStatus lineStatus =
        parseRequestLine(chompCr(QByteArrayView(buffer).sliced(pos, lineEnd - pos)), out);
    if (lineStatus != HeadStatus::Complete) {
        return lineStatus;
    }
    out.headers.clear();
    qsizetype cursor = lineEnd + 1;
    for (;;) {
        const qsizetype next = buffer.indexOf('\n', cursor);
        if (next < 0) {
            return sizeVerdict(buffer);
        }
        const QByteArrayView line = chompCr(QByteArrayView(buffer).sliced(cursor, next - cursor));
        cursor = next + 1;
        if (cursor > kMaxHeadBytes) {
            return HeadStatus::TooLarge;
        }
        if (line.isEmpty()) {
            return HeadStatus::Complete;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || !isToken(line.first(colon))) {
            return HeadStatus::Malformed;
        }
        out.headers.append({line.first(colon).toByteArray(), line.sliced(colon + 1).trimmed().toByteArray()});
    }
}

QByteArray reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 201:
            return "Created";
        case 204:
            return "No Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 304:
            return "Not Modified";
        case 307:
            return "Temporary Redirect";
        case 308:
            return "Permanent Redirect";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 408:
            return "Request Timeout";
        case 429:
            return "Too Many Requests";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        case 505:
            return "HTTP Version Not Supported";
        default:
            return "Status";
    }
}

QByteArray responseHead(const Reply& reply, qint64 contentLength) {
    const int status = (reply.status >= 100 && reply.status <= 599) ? reply.status : 500;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    if (!reply.contentType.isEmpty() && isSafeHeaderValue(reply.contentType)) {
        head += "Content-Type: " + reply.contentType + "\r\n";
    }
    head += "Content-Length: " + QByteArray::number(contentLength) + "\r\nConnection: close\r\n";
    for (const auto& [name, value] : reply.headers) {
        if (isToken(name) && isSafeHeaderValue(value)) {
            head += name + ": " + value + "\r\n";
        }
    }
    head += "\r\n";
    return head;
}

Reply errorReply(int status, QByteArrayView text) {
    return Reply::withStatus(status, "<html><body><h1>" + text.toByteArray() + "</h1></body></html>\n");
}

QByteArray makeFiller() {
    const QByteArray line = QByteArrayLiteral("<p>quorvane replica padding line, nothing to see here.</p>\n");
    QByteArray filler;
    filler.reserve(kStreamChunk);
    while (filler.size() < kStreamChunk) {
        filler += line;
    }
    filler.truncate(kStreamChunk);
    return filler;
}

}  // namespace

Reply Reply::ok(QByteArray body, QByteArray contentType) {
    Reply reply;
    reply.body = std::move(body);
    reply.contentType = std::move(contentType);
    return reply;
}

Reply Reply::withStatus(int code, QByteArray body, QByteArray contentType) {
    Reply reply;
    reply.status = code;
    reply.body = std::move(body);
    reply.contentType = std::move(contentType);
    return reply;
}

Reply Reply::hang() {
    Reply reply;
    reply.kind = Kind::Hang;
    return reply;
}

Reply Reply::rawBytes(QByteArray bytes) {
    Reply reply;
    reply.kind = Kind::Raw;
    reply.raw = std::move(bytes);
    return reply;
}

Reply Reply::huge(qint64 bytes) {
    Reply reply;
    reply.kind = Kind::Huge;
    reply.hugeBytes = std::max<qint64>(bytes, 0);
    return reply;
}

Reply Reply::delayed(int ms, Reply reply) {
    reply.delayMs = std::max(ms, 0);
    return reply;
}

Reply Reply::trickle(int msPerByte, Reply reply) {
    reply.kind = Kind::Trickle;
    reply.trickleMs = std::max(msPerByte, 1);
    return reply;
}

struct MiniHttpServer::Connection {
    enum class Phase { Reading, Waiting, Streaming, Trickling, Answering, Hanging, Closed };
    Phase phase = Phase::Reading;
    QByteArray buffer;
    qint64 streamLeft = 0;
    QByteArray trickleLeft;
};

MiniHttpServer::MiniHttpServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), filler_(makeFiller()) {
    connect(&tcp_, &QTcpServer::newConnection, this, &MiniHttpServer::acceptPending);
}

MiniHttpServer::~MiniHttpServer() {
    // Sockets still open report their closing while being destroyed; cut them loose first so
    // no callback runs against a server that is half torn down.
    const QList<QTcpSocket*> sockets = tcp_.findChildren<QTcpSocket*>();
    for (QTcpSocket* socket : sockets) {
        socket->disconnect();
        socket->abort();
    }
}

bool MiniHttpServer::listen(quint16 port, const QHostAddress& address) {
    if (tcp_.isListening()) {
        tcp_.close();
    }
    if (!address.isLoopback()) {
        return false;  // a test server is never open to the network
    }
    return tcp_.listen(address, port);
}

quint16 MiniHttpServer::port() const {
    return tcp_.isListening() ? tcp_.serverPort() : 0;
}

QString MiniHttpServer::baseUrl() const {
    const QHostAddress address =
        tcp_.isListening() ? tcp_.serverAddress() : QHostAddress(QHostAddress::LocalHost);
    return u"http://"_s + address.toString() + u':' + QString::number(port());
}

QString MiniHttpServer::errorString() const {
    return tcp_.errorString();
}

int MiniHttpServer::requestCount() const {
    return int(targets_.size());
}

QList<QByteArray> MiniHttpServer::targets() const {
    return targets_;
}

int MiniHttpServer::openConnections() const {
    return openConnections_;
}

void MiniHttpServer::acceptPending() {
    while (QTcpSocket* socket = tcp_.nextPendingConnection()) {
        auto connection = std::make_shared<Connection>();
        ++openConnections_;
        connect(socket, &QTcpSocket::readyRead, socket,
                [this, socket, connection] { readFrom(socket, connection); });
        connect(socket, &QTcpSocket::bytesWritten, socket,
                [this, socket, connection] { pump(socket, connection); });
        connect(socket, &QTcpSocket::disconnected, socket, [this, socket, connection] {
            closed(connection);
            socket->deleteLater();
        });
        // Data may have arrived together with the connection.
        if (socket->bytesAvailable() > 0) {
            readFrom(socket, connection);
        }
    }
}

void MiniHttpServer::readFrom(QTcpSocket* socket, const std::shared_ptr<Connection>& connection) {
    // Always drain, so a client that goes away is noticed even while we hold its request.
    const QByteArray incoming = socket->readAll();
    if (connection->phase != Connection::Phase::Reading) {
        return;
    }
    connection->buffer += incoming;
    Request request;
    switch (parseHead(connection->buffer, request)) {
        case HeadStatus::Incomplete:
            return;
        case HeadStatus::Malformed:
            connection->buffer.clear();
            send(socket, connection, errorReply(400, "Bad Request"));
            return;
        case HeadStatus::TooLarge:
            connection->buffer.clear();
            send(socket, connection, errorReply(431, "Request Header Fields Too Large"));
            return;
        case HeadStatus::BadVersion:
            connection->buffer.clear();
            send(socket, connection, errorReply(505, "HTTP Version Not Supported"));
            return;
        case HeadStatus::Complete:
            connection->buffer.clear();
            dispatch(socket, connection, request);
            return;
    }
}

void MiniHttpServer::dispatch(QTcpSocket* socket, const std::shared_ptr<Connection>& connection,
                              const Request& request) {
    targets_.append(request.target);
    connection->phase = Connection::Phase::Waiting;
    Reply reply;
    if (!handler_) {
        reply = errorReply(500, "No Handler");
    } else {
        // An exception must not unwind through the event loop; the client gets a 500 instead.
        try {
            reply = handler_(request);
        } catch (const std::exception&) {
            reply = errorReply(500, "Internal Server Error");
        } catch (...) {
            reply = errorReply(500, "Internal Server Error");
        }
    }
    if (request.method == "HEAD" && reply.kind != Reply::Kind::Raw) {
        // Same head, no body.
        const qint64 length = reply.kind == Reply::Kind::Huge ? reply.hugeBytes : reply.body.size();
        reply.kind = Reply::Kind::Raw;
        reply.raw = responseHead(reply, length);
    }
    if (reply.delayMs > 0) {
        // The socket is the timer's context: a client that leaves cancels the answer.
        QTimer::singleShot(reply.delayMs, socket,
                           [this, socket, connection, reply] { send(socket, connection, reply); });
        return;
    }
    send(socket, connection, reply);
}

void MiniHttpServer::send(QTcpSocket* socket, const std::shared_ptr<Connection>& connection,
                          const Reply& reply) {
    if (connection->phase == Connection::Phase::Closed) {
        return;
    }
    switch (reply.kind) {
        case Reply::Kind::Hang:
            connection->phase = Connection::Phase::Hanging;
            return;
        case Reply::Kind::Raw:
            connection->phase = Connection::Phase::Answering;
            socket->write(reply.raw);
            socket->disconnectFromHost();
            return;
        case Reply::Kind::Normal:
            connection->phase = Connection::Phase::Answering;
            socket->write(responseHead(reply, reply.body.size()) + reply.body);
            socket->disconnectFromHost();
            return;
        case Reply::Kind::Huge:
            connection->phase = Connection::Phase::Streaming;
            connection->streamLeft = reply.hugeBytes;
            socket->write(responseHead(reply, reply.hugeBytes));
            pump(socket, connection);
            return;
        case Reply::Kind::Trickle:
            connection->phase = Connection::Phase::Trickling;
            connection->trickleLeft = reply.body;
            socket->write(responseHead(reply, reply.body.size()));
            dribble(socket, connection, reply.trickleMs);
            return;
    }
}

void MiniHttpServer::dribble(QTcpSocket* socket, const std::shared_ptr<Connection>& connection,
                             int msPerByte) {
    if (connection->phase != Connection::Phase::Trickling) {
        return;
    }
    if (connection->trickleLeft.isEmpty()) {
        connection->phase = Connection::Phase::Answering;
        socket->disconnectFromHost();
        return;
    }
    // The socket is the timer's context: a client that leaves stops the trickle.
    QTimer::singleShot(msPerByte, socket, [this, socket, connection, msPerByte] {
        if (connection->phase != Connection::Phase::Trickling) {
            return;
        }
        socket->write(connection->trickleLeft.first(1));
        connection->trickleLeft.remove(0, 1);
        dribble(socket, connection, msPerByte);
    });
}

void MiniHttpServer::pump(QTcpSocket* socket, const std::shared_ptr<Connection>& connection) {
    if (connection->phase != Connection::Phase::Streaming) {
        return;
    }
    while (connection->streamLeft > 0 && socket->state() == QAbstractSocket::ConnectedState &&
           socket->bytesToWrite() < kStreamHighWater) {
        const qint64 size = std::min(connection->streamLeft, kStreamChunk);
        if (socket->write(filler_.constData(), size) != size) {
            socket->abort();
            return;
        }
        connection->streamLeft -= size;
    }
    if (connection->streamLeft == 0) {
        connection->phase = Connection::Phase::Answering;
        socket->disconnectFromHost();
    }
}

void MiniHttpServer::closed(const std::shared_ptr<Connection>& connection) {
    if (connection->phase == Connection::Phase::Closed) {
        return;
    }
    connection->phase = Connection::Phase::Closed;
    --openConnections_;
}

}  // namespace quorvane::replica
