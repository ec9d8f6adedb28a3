#include "SerialBindings.h"

#include "CliTexts.h"
#include "ShownBytes.h"

#include <QFile>
#include <QRegularExpression>

namespace {
// Far more than any site's list; a larger file is a wrong name.
constexpr qint64 maxFileBytes = 1 << 20;
} // namespace

bool SerialBindings::addArgument(const QString& value, QString& error)
{
    const qsizetype equals = value.indexOf(QLatin1Char('='));
    const QString port = value.left(equals);
    const QString serial = value.mid(equals + 1);
    if (equals < 0 || port.isEmpty() || serial.isEmpty()) {
        error = CliTexts::badSerialBinding(value);
        return false;
    }
    bindings << Binding{port, serial};
    return true;
}

bool SerialBindings::addFile(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = CliTexts::cannotReadSerials(path, file.errorString());
        return false;
    }
    const QByteArray bytes = file.read(maxFileBytes + 1);
    if (bytes.size() > maxFileBytes) {
        error = CliTexts::cannotReadSerials(path, CliTexts::fileTooLarge());
        return false;
    }
    static const QRegularExpression space(QStringLiteral("[ \t]+"));
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // A comment runs from # to the end of its line.
        const QString line = QString::fromUtf8(lines[i]).section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        QStringList fields = line.split(space);
        // PORT=SN, as --expect-serial takes it.
        if (fields.size() == 1 && fields[0].indexOf(QLatin1Char('=')) > 0)
            fields = {fields[0].section(QLatin1Char('='), 0, 0),
                      fields[0].section(QLatin1Char('='), 1)};
        if (fields.size() != 2 || fields[1].isEmpty()) {
            error = CliTexts::badSerialsLine(path, static_cast<int>(i + 1),
                                             shownBytes(lines[i].trimmed()));
            return false;
        }
        bindings << Binding{fields[0], fields[1]};
    }
    return true;
}
