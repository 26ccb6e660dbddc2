#pragma once
// One Glimmer per preview image: the first window listens on a local socket named after the
// image's path; a second Glimmer started on the same image asks that window to play it again and
// come to the front, then ends, so previews do not pile up windows.
#include <QObject>
#include <QString>

class QLocalServer;

namespace orb {

class GlimmerInstance : public QObject {
    Q_OBJECT
  public:
    explicit GlimmerInstance(const QString& imagePath, QObject* parent = nullptr);

    // The socket name for an image: the same for every spelling of its path, per user.
    static QString serverName(const QString& imagePath);

    // Asks a running Glimmer on this image to reload; true when it answered, within timeoutMs.
    bool askRunningToReload(int timeoutMs = 3000) const;
    // Starts answering the requests of later Glimmers; false when the name cannot be taken.
    bool listen();

  signals:
    void reloadRequested();

  private:
    void answer();

    QString name_;
    QLocalServer* server_ = nullptr;
};

}  // namespace orb
