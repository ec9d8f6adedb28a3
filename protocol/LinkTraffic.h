#pragma once

#include <QByteArray>
#include <QObject>

// What crosses the link, as the page sees it: each command sentence handed to the link and each
// chunk received. The traffic tab listens; the page's own slot table stays as it is.
class LinkTraffic : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void commandWritten(const QByteArray& sentence);
    void bytesReceived(const QByteArray& bytes);
};
