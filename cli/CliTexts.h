#pragma once

#include "LinkError.h"

#include <QString>
#include <QStringList>

#include <optional>

// Every English text zr415ctl writes beyond its help, in one place. The window words the same
// failures in Chinese, from the same LinkError kinds.
namespace CliTexts {
QString linkReason(LinkError kind, const QString& systemText);
QString cannotOpen(const QString& port, const QString& reason);
QString lineLost(const QString& reason);
QString cannotWrite(const QString& reason);
QString noBaudToTry();
QString noIdentityAtAnySpeed();
QString noIdentityAt(unsigned baud);
QString interrupted();
QString unexpectedSerial();
// A message on the error stream, prefixed with the program's name.
QString fromTool(const QString& message);
QString monitorCannotOpen(const QString& reason);
QString monitorLost(const QString& port, const QString& reason);
QString monitorOutputFailed(const QString& reason);
// A rate the stream does not keep; got is the period measured, "OFF" when nothing arrived.
QString observedRate(const QString& key, const QString& want, const std::optional<QString>& got);
QString observeTooShort(double given, double needed);
QString noSerialPorts();
QString badWait(const char* variable, const QString& value);
QString ignoredProfileKeys(const QString& profile, const QStringList& keys);
QString auditFailed(const QString& reason, const QString& record);
QString auditMoved(const QString& warning, const QString& path);
// The help: each command's synopsis and what it does, each option, the environment.
QString synopsis(const QString& command);
QString commandHelp(const QString& command);
QString optionHelp(const QString& option);
QString environmentHelp();
QString usageHeader();
QString usageFooter();
QString usageOf(const QString& synopsis, const QString& help, const QString& options);
// Arguments zr415ctl cannot use.
QString noCommand();
QString unknownCommand(const QString& name);
QString ofCommand(const QString& command, const QString& message);
QString auditNeedsFile();
QString badBaud(const QString& value, bool autoAllowed);
QString badParallel(int most, const QString& value);
// Where the usage is, after a usage error; command empty for the tool as a whole.
QString seeHelp(const QString& command);
QString fixedBaudHelp();
QString badSeconds(int most, const QString& value);
QString badObserve(int most, const QString& value);
QString jsonNeedsRates();
QString takesNoPort(const QString& given);
QString needsPorts();
QString resetNeedsYes();
QString setNeedsPortAndValues();
QString applyNeedsProfileAndPorts();
QString monitorNeedsOnePort();
QString portNamedTwice(const QString& port);
QString badExpectedSerials(const QString& value);
QString auditOptionsClash();
QString checkWithObserve();
QString profileNeedsOnePort();
QString profileNeedsFile();
QString profileExists(const QString& path);
QString profileIsLink(const QString& path);
QString cannotWriteProfile(const QString& path, const QString& reason);
QString rateNotInList(const QString& name, const QString& rate);
QString profileWritten(const QString& path);
QString notRecordedAsAsked();
QString portNamedTwiceAs(const QString& earlier, const QString& port);
} // namespace CliTexts
