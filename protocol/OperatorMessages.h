#pragma once

#include "IIniParameter.h"
#include "IReaderWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class CommandOutcomes;

// Every message the page shows the operator beyond its captions, in one place.
namespace OperatorMessages {
QString notice();                                           // 提示: title of the boxes
QString linkOpen(const QString& port, const QString& baud); // status while the link is open
QString linkClosed();
QString openFailed(const QString& port, const QString& reason);
QString noPort();
QString linkLost(const QString& port, const QString& reason);
QString waitingForReceiver(); // after a loss, until the device comes back
QString reconnected(const QString& port, const QString& baud);
// Back, but it did not say (or garbled) its serial number.
QString reconnectedUnconfirmed(const QString& port, const QString& baud);
// Back, and it said its serial number, but the link it came back to had never asked it: the
// receiver on the line may not be the one that was lost.
QString reconnectedUnasked(const QString& port, const QString& baud, const QByteArray& serial);
// A query field's value came from an earlier link, to port, whose receiver said serial (empty:
// it was not asked).
QString earlierAnswer(const QString& port, const QByteArray& serial);
// A receiver with another serial number came back in place of the lost one. Both texts come
// from the device and are shown escaped.
QString otherReceiver(const QByteArray& serial, const QString& port);
// Parts of one status text, in the order given.
QString joined(const QStringList& parts);
QString sent(int count);
QString notSent(int count);
QString saveFailed(const QString& reason);
QString trafficSaveFailed(const QString& reason); // the traffic tab's record
// What became of the commands of one action, once each is confirmed, refused or given up on.
QString outcomes(const CommandOutcomes& outcomes);
// Why the link failed, in the operator's words; systemText when the system gave no known reason.
QString linkReason(LinkError kind, const QString& systemText);
QString saveReason(SaveError kind, const QString& systemText);
QString ok();
QString confirmFactoryReset();
} // namespace OperatorMessages
