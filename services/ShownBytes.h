#pragma once

#include <QByteArrayView>
#include <QString>

// Device bytes as a person reads them: printable ASCII as it is, the backslash doubled, every
// other byte as \xHH (uppercase). A line can then neither steer a terminal nor pass one byte
// off as another.
QString shownBytes(QByteArrayView bytes);

// Text from the device for a widget: shown as above and cut after maxBytes of it, marked "…",
// so a runaway field cannot push everything else out of view.
QString shownDeviceText(QByteArrayView bytes, qsizetype maxBytes = 40);

// Device bytes for a record: as they are when they are UTF-8 without control bytes or
// backslashes, else all of them as shownBytes shows them, so that no byte is replaced or lost
// on the way and an escape always means one.
QString keptDeviceText(QByteArrayView bytes);
// A text keptDeviceText made, as shownBytes shows the bytes it came from: one with a backslash
// is escaped already.
QString shownKeptText(const QString& kept);

// Text for a tooltip, shown as it is: a tooltip takes text that looks like markup (a serial
// number "<font size=7>…") for rich text, so it is handed over escaped, line breaks kept.
QString plainToolTip(const QString& text);
