#pragma once
// A scripted HTTP server on 127.0.0.1 for tests that must never reach the internet: every
// request gets the one answer set last (a status and a body), or nothing at all.

#include <QByteArray>
#include <QTcpServer>
#include <QTcpSocket>

#include <vector>

namespace kavio::test {

class LocalHttpServer : public QObject {
public:
    LocalHttpServer()
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    request_ += socket->readAll();
                    if (!request_.contains("\r\n\r\n") || silent_)
                        return;
                    ++requests_;
                    paths_.push_back(request_.split(' ').value(1));
                    request_.clear();
                    socket->write("HTTP/1.1 " + QByteArray::number(status_) + " X\r\nContent-Type: application/json\r\n"
                                  "Content-Length: " + QByteArray::number(body_.size()) + "\r\nConnection: close\r\n\r\n");
                    socket->write(body_);
                    socket->disconnectFromHost();
                });
            }
        });
    }

    QString base() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }
    void answer(int status, QByteArray body)
    {
        status_ = status;
        body_ = std::move(body);
        silent_ = false;
    }
    // Accepts and never says a word.
    void stayQuiet() { silent_ = true; }
    int requests() const { return requests_; }
    const std::vector<QByteArray>& paths() const { return paths_; }

private:
    QTcpServer server_;
    QByteArray request_;
    QByteArray body_;
    int status_ = 200;
    bool silent_ = false;
    int requests_ = 0;
    std::vector<QByteArray> paths_;
};

} // namespace kavio::test
