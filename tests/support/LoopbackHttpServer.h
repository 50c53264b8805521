#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

// An HTTP server on 127.0.0.1: keeps the body of every request and answers each, once it
// has arrived whole, with the same response.
class LoopbackHttpServer {
public:
    explicit LoopbackHttpServer(QByteArray status = "200 OK", QByteArray body = "{}")
        : m_response("HTTP/1.1 " + status + "\r\nContent-Length: " +
                     QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body) {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                auto received = std::make_shared<QByteArray>();
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
                    received->append(socket->readAll());
                    answerWhenWhole(*socket, *received);
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    quint16 port() const { return m_server.serverPort(); }
    QList<QByteArray> bodies;

private:
    void answerWhenWhole(QTcpSocket& socket, const QByteArray& received) {
        const qsizetype headerEnd = received.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        qsizetype length = 0;
        for (const QByteArray& line : received.left(headerEnd).split('\n'))
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        if (received.size() < headerEnd + 4 + length)
            return;
        bodies.append(received.mid(headerEnd + 4, length));
        socket.write(m_response);
        socket.disconnectFromHost();
    }

    QTcpServer m_server;
    QByteArray m_response;
};
