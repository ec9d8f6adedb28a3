#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// zr415ctl run as a program, the way an operator or an orchestrator runs it.
struct CtlRun
{
    int exitCode = -1; // -1 when it did not start or did not end by itself
    QByteArray out;
    QByteArray err;
};

// The default wait for answers, so a busy machine cannot fake a missing one; a shorter search
// at each speed, which only a device that never answers waits out in full.
QProcessEnvironment quickCtlEnvironment();

// Runs program (the built zr415ctl unless told) to its end, at most a minute; outputFile, when
// given, takes its standard output.
CtlRun runCtl(const QStringList& arguments,
              const QProcessEnvironment& environment = quickCtlEnvironment(),
              const QString& program = QStringLiteral(ZR415CTL_BINARY),
              const QString& outputFile = {});

// One JSON object per line; a line that is none is warned about and read as an empty object.
QList<QJsonObject> jsonLines(const QByteArray& text);
