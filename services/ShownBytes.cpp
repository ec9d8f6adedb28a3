#include "ShownBytes.h"

#include <QStringDecoder>

QString shownBytes(QByteArrayView bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            text += QLatin1String("\\\\", 2);
        } else if (byte >= 0x20 && byte < 0x7f) {
            text += QLatin1Char(c);
        } else {
            const char escape[] = {'\\', 'x', hex[byte >> 4], hex[byte & 0xf]};
            text += QLatin1String(escape, 4);
        }
    }
    return text;
}

QString shownDeviceText(QByteArrayView bytes, qsizetype maxBytes)
{
    if (bytes.size() <= maxBytes)
        return shownBytes(bytes);
    return shownBytes(bytes.first(maxBytes)) + QChar(0x2026);
}

QString keptDeviceText(QByteArrayView bytes)
{
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        // A backslash kept as it is could not be told from one that starts an escape.
        if (byte < 0x20 || byte == 0x7f || byte == '\\')
            return shownBytes(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? shownBytes(bytes) : text;
}

QString shownKeptText(const QString& kept)
{
    return kept.contains(QLatin1Char('\\')) ? kept : shownBytes(kept.toUtf8());
}

QString plainToolTip(const QString& text)
{
    if (text.isEmpty())
        return text;
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}
