#include "SuiteLog.h"

#include "FileLogger.h"

#include <QDir>

ILogger* suiteLog()
{
    static FileLogger log(QDir::temp().filePath(QStringLiteral("ZR415.log")).toStdString());
    return &log;
}
