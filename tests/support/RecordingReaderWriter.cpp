#include "RecordingReaderWriter.h"

#include "IDictionary.h"

namespace {
QMap<QString, QString> snapshot(IDictionary* link)
{
    QMap<QString, QString> values;
    for (std::size_t i = 0; link && i < link->count(); ++i)
        values.insert(QString::fromUtf8(link->keyAt(i)),
                      QString::fromUtf8(link->get(link->keyAt(i))));
    return values;
}
} // namespace

bool RecordingReaderWriter::open(IDictionary* link, IMessanger* sink)
{
    calls << Call{QStringLiteral("open"), snapshot(link), sink};
    if (duringOpen)
        duringOpen();
    opened = openSucceeds;
    return openSucceeds;
}

bool RecordingReaderWriter::close(IDictionary* link, IMessanger* sink)
{
    calls << Call{QStringLiteral("close"), snapshot(link), sink};
    const bool wasOpen = opened;
    opened = false;
    return wasOpen;
}

bool RecordingReaderWriter::write(IDictionary*, const char* data, int length)
{
    writes << QByteArray(data, length);
    return opened;
}
