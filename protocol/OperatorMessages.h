#pragma once

#include <QString>

// Every message the page shows the operator beyond its captions, in one place.
namespace OperatorMessages {
QString notice();                                           // 提示: title of the boxes
QString linkOpen(const QString& port, const QString& baud); // status while the link is open
QString linkClosed();
QString openFailed(const QString& port, const QString& reason);
QString noPort();
QString linkLost(const QString& port, const QString& reason);
QString sent(int count);
QString notSent(int count);
QString saveFailed(const QString& reason);
QString ok();
QString confirmFactoryReset();
} // namespace OperatorMessages
