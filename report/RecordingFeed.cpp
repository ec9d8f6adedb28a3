#include "RecordingFeed.h"

#include "ReportBuilder.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace {
constexpr qint64 blockBytes = 1 << 20;

// The whole number after "key": in one index line; the pieces are too many to hand each to a
// JSON parser.
std::optional<qint64> numberAfter(QByteArrayView line, QByteArrayView key)
{
    qsizetype at = line.indexOf(key);
    if (at < 0)
        return std::nullopt;
    at += key.size();
    while (at < line.size() && (line[at] == ' ' || line[at] == ':'))
        ++at;
    qint64 value = 0;
    const qsizetype start = at;
    for (; at < line.size() && line[at] >= '0' && line[at] <= '9' && at - start < 15; ++at)
        value = value * 10 + (line[at] - '0');
    if (at == start)
        return std::nullopt;
    return value;
}

// FILE's bytes, read in large blocks and handed on in the pieces the index names.
class Pieces
{
public:
    explicit Pieces(QFile& from) : file(from) {}

    // Hands on the bytes up to offset; false when the file ends first.
    bool feedTo(qint64 offset, qint64 atMs, ReportBuilder& builder)
    {
        while (position < offset) {
            if (used == block.size()) {
                block = file.read(blockBytes);
                used = 0;
                if (block.isEmpty())
                    return false;
            }
            const qsizetype take =
                static_cast<qsizetype>(std::min<qint64>(offset - position, block.size() - used));
            builder.addBytes(QByteArrayView(block).sliced(used, take), atMs);
            used += take;
            position += take;
        }
        return true;
    }
    qint64 at() const { return position; }

private:
    QFile& file;
    QByteArray block;
    qsizetype used = 0;
    qint64 position = 0;
};
} // namespace

bool RecordingFeed::read(const QString& path, ReportBuilder& builder, Header& header,
                         QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    QFile index(path + QStringLiteral(".jsonl"));
    header.indexed = index.exists();
    if (!header.indexed) {
        for (QByteArray block = file.read(blockBytes); !block.isEmpty();
             block = file.read(blockBytes))
            builder.addBytes(block, -1);
        if (file.error() != QFileDevice::NoError) {
            error = file.errorString();
            return false;
        }
        return true;
    }
    if (!index.open(QIODevice::ReadOnly)) {
        error = index.errorString();
        return false;
    }
    const QJsonObject first = QJsonDocument::fromJson(index.readLine()).object();
    if (first.value(QStringLiteral("recording")).toInt() != 1) {
        error = QStringLiteral("%1: not a recording's index").arg(index.fileName());
        return false;
    }
    header.port = first.value(QStringLiteral("port")).toString();
    header.serial = first.value(QStringLiteral("serial")).toString();
    header.started = first.value(QStringLiteral("started")).toString();
    header.baud = first.value(QStringLiteral("baud")).toInteger();

    Pieces pieces(file);
    qint64 lastAt = 0;
    int lineNumber = 1;
    while (!index.atEnd()) {
        const QByteArray line = index.readLine();
        ++lineNumber;
        const auto offset = numberAfter(line, "\"offset\"");
        const auto atMs = numberAfter(line, "\"at_ms\"");
        // Commands sent, and a last line cut short by a crash, hold no piece.
        if (!offset || !atMs)
            continue;
        if (*offset < pieces.at()) {
            error =
                QStringLiteral("%1:%2: the offset goes back").arg(index.fileName()).arg(lineNumber);
            return false;
        }
        lastAt = std::max(lastAt, *atMs);
        if (!pieces.feedTo(*offset, lastAt, builder))
            break; // the index outlived the file's last bytes
    }
    // Bytes written after the index's last flush arrived no earlier than its last piece.
    pieces.feedTo(std::numeric_limits<qint64>::max(), lastAt, builder);
    return true;
}
