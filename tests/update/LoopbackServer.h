#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A small HTTP server on 127.0.0.1 for the update's tests: it answers GET requests with the
// files it was given and 404 otherwise. It runs on the thread that created it, so whoever waits
// for an answer must keep that thread's event loop turning (the update's own loop does). A file
// can be cut short: the headers announce all of it, then the connection is closed.
class LoopbackServer {
public:
    LoopbackServer() {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket* s = m_server.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { antworte(s); });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost);
    }

    void put(const QString& path, const QByteArray& body) { m_files[path] = body; }
    // The file's headers promise all of it, but only the first bytes are sent.
    void cutAfter(const QString& path, qint64 bytes) { m_cut[path] = bytes; }
    // From now on every connection is refused, as by a server that is down.
    void stop() { m_server.close(); }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_server.serverPort())); }
    QStringList requests; // the paths asked for, in order

private:
    void antworte(QTcpSocket* s) {
        QByteArray& puffer = m_buffer[s];
        puffer += s->readAll();
        const qsizetype ende = puffer.indexOf("\r\n\r\n");
        if (ende < 0)
            return;
        const QList<QByteArray> erste = puffer.left(puffer.indexOf("\r\n")).split(' ');
        m_buffer.remove(s);
        const QString path = erste.size() > 1 ? QString::fromLatin1(erste[1]) : QString();
        requests << path;
        if (!m_files.contains(path)) {
            s->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            s->disconnectFromHost();
            return;
        }
        const QByteArray& body = m_files[path];
        s->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\nContent-Length: " +
                 QByteArray::number(body.size()) + "\r\n\r\n");
        if (m_cut.contains(path)) {
            s->write(body.left(m_cut[path]));
            s->flush();
            s->abort();
            return;
        }
        s->write(body);
        s->disconnectFromHost();
    }

    QTcpServer m_server;
    QMap<QString, QByteArray> m_files;
    QMap<QString, qint64> m_cut;
    QMap<QTcpSocket*, QByteArray> m_buffer;
};
