#include "PortList.h"

#include "CliTexts.h"
#include "ShownBytes.h"

#include <QJsonObject>

#include <algorithm>

namespace {
QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QString hex4(int id)
{
    return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0'));
}
} // namespace

QJsonArray PortList::toJson(const QList<Entry>& entries)
{
    QJsonArray array;
    for (const Entry& entry : entries)
        array.append(QJsonObject{
            {QStringLiteral("name"), entry.name},
            {QStringLiteral("path"), entry.path},
            {QStringLiteral("description"), textOrNull(entry.description)},
            {QStringLiteral("manufacturer"), textOrNull(entry.manufacturer)},
            {QStringLiteral("serial"), textOrNull(entry.serialNumber)},
            {QStringLiteral("vid"),
             entry.vendorId >= 0 ? QJsonValue(hex4(entry.vendorId)) : QJsonValue()},
            {QStringLiteral("pid"),
             entry.productId >= 0 ? QJsonValue(hex4(entry.productId)) : QJsonValue()},
            {QStringLiteral("by_id"), textOrNull(entry.byId)},
            {QStringLiteral("extra"), entry.extra},
        });
    return array;
}

QString PortList::toText(const QList<Entry>& entries)
{
    QList<QStringList> rows{CliTexts::portColumns()};
    for (const Entry& entry : entries) {
        QStringList row{
            entry.name,         entry.path,     entry.description, entry.manufacturer,
            entry.serialNumber, entry.usbIds(), entry.byId,        CliTexts::listedBy(entry.extra)};
        // Names, paths and what the device says of itself may hold any byte.
        for (QString& cell : row)
            cell = cell.isEmpty() ? CliTexts::noValue() : shownBytes(cell.toUtf8());
        rows << row;
    }
    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList& row : rows)
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    QString text;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        text += line + QLatin1Char('\n');
    }
    return text;
}
