// Cutting received bytes into reply sentences and fields.
#include "RecordingLogger.h"
#include "StreamExtractor.h"

#include <QtTest>

namespace {
// Every complete sentence, fields joined by "|".
QStringList drain(StreamExtractor& extractor)
{
    QStringList sentences;
    while (extractor.has_sentence()) {
        QStringList fields;
        for (int i = 0; i < extractor.field_count(); ++i) {
            int length = -1;
            const char* bytes = extractor.field(0, i, &length);
            fields << QString::fromLatin1(bytes, length);
        }
        sentences << fields.join(QLatin1Char('|'));
        extractor.next_sentence();
    }
    return sentences;
}
} // namespace

class ExtractorTest : public QObject
{
    Q_OBJECT

private slots:
    void chunksBecomeSentences_data();
    void chunksBecomeSentences();
    void missingFieldsReadAsNull();
    void overlongSentenceIsDroppedAndLoggedAndTheNextOneIsRead();
    void floodsOfHeadsAndTerminatorsStayBounded();
};

void ExtractorTest::chunksBecomeSentences_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("sentences");

    QTest::newRow("one-reply") << QList<QByteArray>{"@X,,GET,GNSS.NMEA.GSV,OK,1*0A\r\n"}
                               << QStringList{"@X||GET|GNSS.NMEA.GSV|OK|1*0A"};
    QTest::newRow("split-in-key") << QList<QByteArray>{"@X,,GET,GNSS.NM", "EA.GSV,OK,1*0A\r"}
                                  << QStringList{"@X||GET|GNSS.NMEA.GSV|OK|1*0A"};
    QTest::newRow("two-in-one-chunk")
        << QList<QByteArray>{"@A,1\r@B,2\r"} << QStringList{"@A|1", "@B|2"};
    QTest::newRow("nmea-between-replies")
        << QList<QByteArray>{"$GPGGA,1,2*00\r\n@A,1\r\n$GPRMC,x*11\r\n@B,2\r\n"}
        << QStringList{"@A|1", "@B|2"};
    QTest::newRow("noise-before-head")
        << QList<QByteArray>{"\x01\xff garbage @A\r"} << QStringList{"@A"};
    QTest::newRow("no-terminator-yet") << QList<QByteArray>{"@A,1", ",2"} << QStringList{};
    QTest::newRow("empty-fields") << QList<QByteArray>{"@,,,\r"} << QStringList{"@|||"};
    QTest::newRow("byte-by-byte") << QList<QByteArray>{"@", "A", ",", "1", "\r"}
                                  << QStringList{"@A|1"};
}

void ExtractorTest::chunksBecomeSentences()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, sentences);
    StreamExtractor extractor('@', ',', '\r');
    for (const QByteArray& chunk : chunks)
        extractor.feed(chunk.constData(), static_cast<int>(chunk.size()));
    QCOMPARE(drain(extractor), sentences);
}

void ExtractorTest::missingFieldsReadAsNull()
{
    StreamExtractor extractor('@', ',', '\r');
    int length = -1;
    QVERIFY(extractor.field(0, 0, &length) == nullptr);
    QCOMPARE(length, 0);
    extractor.feed("@A,B\r", 5);
    QVERIFY(extractor.field(0, 2, &length) == nullptr);
    QCOMPARE(length, 0);
    QVERIFY(extractor.field(0, -1, &length) == nullptr);
    extractor.feed(nullptr, 10);
    extractor.feed("@C\r", -3);
    QCOMPARE(drain(extractor), QStringList{"@A|B"});
}

void ExtractorTest::overlongSentenceIsDroppedAndLoggedAndTheNextOneIsRead()
{
    RecordingLogger logger;
    StreamExtractor extractor('@', ',', '\r');
    const QByteArray line = "@" + QByteArray(1024 * 1024, 'x');
    for (qsizetype at = 0; at < line.size(); at += 1000)
        extractor.feed(line.constData() + at,
                       static_cast<int>(qMin<qsizetype>(1000, line.size() - at)));
    QVERIFY(extractor.pending() <= StreamExtractor::maxSentenceLength);
    extractor.feed("\r@OK,1\r", 7);
    QCOMPARE(drain(extractor), QStringList{"@OK|1"});
    QVERIFY(logger.contains("dropped"));
}

void ExtractorTest::floodsOfHeadsAndTerminatorsStayBounded()
{
    StreamExtractor extractor('@', ',', '\r');
    const QByteArray heads(100000, '@');
    extractor.feed(heads.constData(), static_cast<int>(heads.size()));
    QVERIFY(extractor.pending() <= StreamExtractor::maxSentenceLength);
    const QByteArray terminators(100000, '\r');
    extractor.feed(terminators.constData(), static_cast<int>(terminators.size()));
    QCOMPARE(extractor.pending(), std::size_t(0));
    QCOMPARE(drain(extractor).size(), 0);
    extractor.feed("@A,1\r", 5);
    QCOMPARE(drain(extractor), QStringList{"@A|1"});
}

QTEST_GUILESS_MAIN(ExtractorTest)
#include "tst_extractor.moc"
