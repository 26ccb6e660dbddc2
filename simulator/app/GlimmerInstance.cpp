#include "simulator/app/GlimmerInstance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace orb {

namespace {
constexpr char kReload[] = "reload\n";
constexpr char kDone[] = "ok\n";
}  // namespace

GlimmerInstance::GlimmerInstance(const QString& imagePath, QObject* parent)
    : QObject(parent), name_(serverName(imagePath)) {}

QString GlimmerInstance::serverName(const QString& imagePath) {
    const QFileInfo info(imagePath);
    QString path = info.canonicalFilePath();
    if (path.isEmpty()) path = QFileInfo(info.absoluteFilePath()).absoluteFilePath();
    const QByteArray hash =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QString("orb-glimmer-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

bool GlimmerInstance::askRunningToReload(int timeoutMs) const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kReload);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs)) return false;
    return socket.readLine() == kDone;
}

bool GlimmerInstance::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &GlimmerInstance::answer);
    if (server_->listen(name_)) return true;
    // Nobody answered on the name a moment ago: a socket left by a Glimmer that did not end cleanly.
    QLocalServer::removeServer(name_);
    return server_->listen(name_);
}

void GlimmerInstance::answer() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 64) socket->abort();  // not one of ours
                return;
            }
            const bool reload = socket->readLine() == kReload;
            if (reload) emit reloadRequested();
            socket->write(reload ? kDone : "?\n");
            socket->disconnectFromServer();
        });
    }
}

}  // namespace orb
