#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

// What crosses the link, as the page sees it: each command sentence handed to the link and each
// chunk received, and where one link begins and ends. The tabs listen; each of them belongs to
// the link of the moment, so they start afresh when a link opens and keep, greyed, what they
// showed when it closes. The page's own slot table stays as it is.
class LinkTraffic : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // How a link ended.
    enum class End
    {
        Disconnected, // 断开, or the page closed it (another receiver came back)
        Lost          // the device went away; the page may be waiting for it
    };
    Q_ENUM(End)

signals:
    void commandWritten(const QByteArray& sentence);
    void bytesReceived(const QByteArray& bytes);
    // A link opened at baud: by 连接, or by the lost device coming back (reconnect true).
    void linkOpened(const QString& port, const QString& baud, bool reconnect);
    void linkClosed(LinkTraffic::End how);
    // The receiver's serial number as this link learned it: an answer to 查询 or to the check
    // made when a lost device comes back. Never from what the page's field still shows.
    void serialNumberKnown(const QString& serial);
    // What the traffic log should say of the link beside its markers: why the page closed it,
    // or that a receiver was taken back that the link had never asked who it is.
    void linkNoted(const QString& text);
    // A recording is played into the tabs as a link of its own: they start afresh, and
    // linkClosed comes at its end. No link is open meanwhile.
    void replayOpened(const QString& file);
};
