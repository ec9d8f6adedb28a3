#include "CtlProcess.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QProcess>

QProcessEnvironment quickCtlEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("ZR415CTL_ACK_MS"));
    environment.insert(QStringLiteral("ZR415CTL_PROBE_MS"), QStringLiteral("400"));
    return environment;
}

CtlRun runCtl(const QStringList& arguments, const QProcessEnvironment& environment,
              const QString& program, const QString& outputFile)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(program, arguments);
    CtlRun run;
    if (!process.waitForStarted(5000))
        return run;
    if (!process.waitForFinished(60000))
        process.kill();
    process.waitForFinished(5000);
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QList<QJsonObject> jsonLines(const QByteArray& text)
{
    QList<QJsonObject> objects;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            qWarning("not a JSON object: %s", line.constData());
        objects << document.object();
    }
    return objects;
}
