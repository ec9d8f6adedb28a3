// The two row widgets of the page.
#include "QueryWidget.h"
#include "SetWidget.h"

#include <QtTest>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

class RowsTest : public QObject
{
    Q_OBJECT

private slots:
    void newOutputRowIsUntickedAtOffWithThirteenRates();
    void setCurrentTextMatchesWholeTextOnly_data();
    void setCurrentTextMatchesWholeTextOnly();
    void anyNonZeroTicksAndReadsBackAsOne();
    void queryRowShowsValuesItCannotBeTypedInto();
};

void RowsTest::newOutputRowIsUntickedAtOffWithThirteenRates()
{
    SetWidget row(nullptr, "GGA");
    QCOMPARE(row.isChecked(), 0);
    QCOMPARE(row.currentText(), QStringLiteral("OFF"));
    auto* box = row.findChild<QComboBox*>();
    QStringList rates;
    for (int i = 0; i < box->count(); ++i) {
        rates << box->itemText(i);
        QVERIFY(!box->itemData(i).isValid());
    }
    QCOMPARE(rates.join(QLatin1Char(',')),
             QStringLiteral("OFF,0.02,0.05,0.1,0.2,0.5,1,2,5,10,15,30,60"));
    QVERIFY(!box->isEditable());
    QCOMPARE(row.findChild<QCheckBox*>()->text(), QStringLiteral("GGA"));
}

void RowsTest::setCurrentTextMatchesWholeTextOnly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("one-not-ten") << "1"
                                 << "1";
    QTest::newRow("sixty") << "60"
                           << "60";
    QTest::newRow("fraction") << "0.5"
                              << "0.5";
    QTest::newRow("padded-number-is-not-equal") << "0.50"
                                                << "2";
    QTest::newRow("lower-case-off") << "off"
                                    << "2";
    QTest::newRow("empty") << ""
                           << "2";
    QTest::newRow("not-a-rate") << "3"
                                << "2";
}

void RowsTest::setCurrentTextMatchesWholeTextOnly()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    SetWidget row(nullptr, "GSV");
    row.setCurrentText(QStringLiteral("2"));
    row.setCurrentText(text);
    QCOMPARE(row.currentText(), shown);
}

void RowsTest::anyNonZeroTicksAndReadsBackAsOne()
{
    SetWidget output(nullptr, "NMEA");
    QueryWidget query(nullptr, "HDT");
    for (int on : {2, -1, 1}) {
        output.setChecked(on);
        query.setChecked(on);
        QCOMPARE(output.isChecked(), 1);
        QCOMPARE(query.isChecked(), 1);
    }
    output.setChecked(0);
    query.setChecked(0);
    QCOMPARE(output.isChecked(), 0);
    QCOMPARE(query.isChecked(), 0);
}

void RowsTest::queryRowShowsValuesItCannotBeTypedInto()
{
    QueryWidget row(nullptr, "GGA");
    auto* field = row.findChild<QLineEdit*>();
    QCOMPARE(row.isChecked(), 0);
    QVERIFY(field->text().isEmpty());
    QVERIFY(field->isReadOnly());
    QCOMPARE(field->width(), 50);
    QCOMPARE(row.findChild<QCheckBox*>()->text(), QStringLiteral("GGA"));

    row.show();
    QTest::keyClicks(field, QStringLiteral("typed"));
    QVERIFY(field->text().isEmpty());

    const QString longValue(80, QLatin1Char('9'));
    row.setText(longValue);
    QCOMPARE(field->text(), longValue);
    QCOMPARE(field->width(), 50);
    row.setText(QString());
    QVERIFY(field->text().isEmpty());
}

QTEST_MAIN(RowsTest)
#include "tst_rows.moc"
