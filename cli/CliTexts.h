#pragma once

#include "LinkError.h"

#include <QString>
#include <QStringList>

#include <cstddef>
#include <optional>

// Every English text zr415ctl writes, in one place: errors, refusals, result lines, tables and
// help. The window words the same failures in Chinese, from the same LinkError kinds.
namespace CliTexts {
QString linkReason(LinkError kind, const QString& systemText);
QString cannotOpen(const QString& port, const QString& reason);
QString lineLost(const QString& reason);
QString cannotWrite(const QString& reason);
QString noBaudToTry();
QString noIdentityAtAnySpeed();
QString noIdentityAt(unsigned baud);
// The serial number answered (escaped) is no receiver's: empty, blank or with control bytes.
QString unusableSerial(const QString& shown);
// SIGTERM, SIGINT …: how a record names the signal that stopped a run.
QString signalName(int signalNumber);
QString interrupted(int signalNumber);
QString setInFlight(const QString& sentence);
// audit: a unit that never finished, by how far it got; and the earlier run that left it so.
QString unfinishedAs(const QString& progress);
QString leftByRun(const QString& run);
QString unexpectedSerial();
QString notBoundSerial(const QString& serial);
QString ratesNotInList(const QStringList& rates);
QString changesMade(const QStringList& changes);
QString badSerialBinding(const QString& value);
QString badSerialsLine(const QString& path, int number, const QString& line);
QString cannotReadSerials(const QString& path, const QString& reason);
QString portBoundTwice(const QString& port, const QString& first, const QString& second);
QString serialBoundTwice(const QString& serial, const QString& first, const QString& second);
QString fileTooLarge();
QString notZeroOrOne(const QString& assignment);
QString baudNotListed(const QString& value, const QString& allowed, bool autoAllowed);
// A message on the error stream, prefixed with the program's name.
QString fromTool(const QString& message);
QString monitorCannotOpen(const QString& reason);
QString monitorLost(const QString& port, const QString& reason);
QString monitorOutputFailed(const QString& reason);
// monitor --record: a file that is there without --force, or cannot be made; a recording that
// ended while the line went on.
QString recordingRefused(const QString& path, const QString& reason, bool exists);
QString recordingEnded(const QString& path, const QString& reason);
QString recordNeedsFile();
// monitor --status: GGA's quality 0-8 in words, and the line printed once a second.
QString fixQuality(int quality);
QString statusLine(const QString& fix, const QString& position, int used, int inView,
                   const QString& hdop, const QString& heading);
QString statusWithRates();
// A rate the stream does not keep; got is the period measured, "OFF" when nothing arrived;
// checksumErrors when what arrived of it had bad checksums only.
QString observedRate(const QString& key, const QString& want, const std::optional<QString>& got,
                     quint64 checksumErrors = 0);
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
QString profileNotWritten(const QString& path);
QString notRecordedAsAsked();
QString portNamedTwiceAs(const QString& earlier, const QString& port);
QString usageLine(const QString& synopsis);
QString version();
// The audit file.
QString noAuditFolder();
QString cannotOpenAudit(const QString& path, const QString& reason);
QString cannotWriteAudit(const QString& path, const QString& reason);
QString cannotFlushAudit(const QString& path, const QString& reason);
QString nothingWritten();
QString partialRecordLeft(const QString& failure, const QString& reason);
// Profiles and NAME=VALUE settings refused; assignment is "key=value" as a terminal may show it.
QString cannotReadProfile(const QString& path, const QString& reason);
QString profileIsFolder();
QString profileNotRegular();
QString profileTooLarge();
QString profileRefused(const QString& path, const QStringList& errors);
QString notUtf8(std::size_t line);
QString nulByte(std::size_t line, const QString& text);
QString keyInOtherCase(std::size_t line, const QString& key, const QString& known);
QString givenAgain(std::size_t line, const QString& assignment, std::size_t earlierLine,
                   const QString& earlierAssignment);
QString noOutputSetting();
QString notWholeNumber(const QString& assignment, bool talker);
QString notOutputRate(const QString& assignment, const QString& allowed);
QString missingWhileSet(const QString& rateKey, const QString& setKey, const QString& allowed);
QString talkerOutOfRange(const QString& assignment);
QString notListedBaud(const QString& assignment, const QString& allowed);
QString givenTwice(const QString& name);
QString badSbas(const QString& value);
QString badTalker(const QString& value, const QString& allowed);
QString cleanTakesNoValue(const QString& assignment);
QString unknownSetting(const QString& name, const QString& known);
QString allWithSingles();
QString stoppedBeforeStart(int signalNumber);
// A unit's line and the run's summary.
QString noValue();
QString baudUsed(unsigned baud, bool searched);
QString secondsTaken(double seconds);
QString plannedChange(const QString& key, const QString& from, const QString& to);
QString wouldChange(const QStringList& changes);
QString cannotBeRead(const QStringList& keys);
QString appliedSettings(const QStringList& settings);
QString refusedSettings(const QStringList& settings);
QString unansweredSettings(const QStringList& settings);
QString ackOnlySettings(const QStringList& settings);
// Answers not believed because their checksum did not match.
QString wrongChecksums(int count);
// got is the value read back, already escaped; none when nothing was.
QString readBack(const QString& key, const QString& want, const std::optional<QString>& got);
QString outcomeCount(qsizetype count, const QString& outcome);
QString noUnits();
QString notRecordedIn(int count, const QString& path);
QString progress(int done, int total);
// The port list and the rates table.
QStringList portColumns();
QString listedBy(bool extra);
QStringList rateColumns();
QString lineTotals(const QString& port, quint64 lines, quint64 bytes, double seconds);
QString onPort(const QString& port, const QString& reason);
// Records written ahead, and a run that stops when they cannot be.
QString noLogFolder();
QString logFolderNotWritable(const QString& folder, const QString& reason);
QString auditNotPlainFile(const QString& path);
QString auditUnwritable();
QString auditToStandardOutput();
QString outputFailed(const QString& reason);
// zr415ctl audit.
QString failedWithUnfinished();
QString auditTakesOneFile(const QString& extra);
QString runNeedsId();
QString cannotReadAudit(const QString& path, const QString& reason);
QString noRunIn(const QString& path);
QString runNotIn(const QString& run, const QString& path);
QString linesSkipped(int count, const QString& path);
} // namespace CliTexts
