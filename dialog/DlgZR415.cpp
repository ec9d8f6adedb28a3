#include "DlgZR415.h"

#include "AllAtOnce.h"
#include "ElidedLabel.h"
#include "IDictionary.h"
#include "IReaderWriter.h"
#include "IStreamExtractor.h"
#include "LinkTraffic.h"
#include "NmeaList.h"
#include "PortComboBox.h"
#include "PortWatcher.h"
#include "QueryWidget.h"
#include "SerialNumberCheck.h"
#include "SetWidget.h"
#include "ValueField.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

DlgZR415::DlgZR415(QWidget* parent) : QWidget(parent)
{
    readerWriter = get_s_IReaderWriter();
    linkDictionary = dictionary_get_instance(0);
    extractor = stream_extractor_get_instance("@", 44, 13);
    buildWidgets();
    buildLayouts();
    loadSettings();
    showLinkState();
}

DlgZR415::~DlgZR415()
{
    // The link must not call into a page that is going away.
    if (linkOpen) {
        readerWriter->set_link_lost_handler(nullptr);
        readerWriter->set_write_failed_handler(nullptr);
        readerWriter->close(linkDictionary, this);
    }
    dictionary_release_instance(&linkDictionary);
}

template <typename Widget> static Widget* named(Widget* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

void DlgZR415::buildWidgets()
{
    serialGroup = named(new QGroupBox(tr("串口设置"), this), "serialGroup");
    portLabel = named(new QLabel(tr("串口号:"), this), "portLabel");
    baudLabel = named(new QLabel(tr("波特率:"), this), "baudLabel");
    portCombo = named(new PortComboBox(this), "portCombo");
    // The list follows the ports as they come and go, and is read again when the operator
    // opens it.
    connect(portCombo, &PortComboBox::aboutToShowPopup, this, &DlgZR415::refreshPortList);
    portWatcher = new PortWatcher(this);
    connect(portWatcher, &PortWatcher::portsChanged, this, &DlgZR415::followPorts);
    portCombo->setFixedSize(80, 18);
    baudCombo = named(new QComboBox(this), "baudCombo");
    baudCombo->setFixedSize(80, 18);
    connectButton = named(new QPushButton(tr("连接"), this), "connectButton");
    connectButton->setCheckable(false);
    connectButton->setMaximumWidth(80);
    connect(connectButton, &QPushButton::clicked, this, &DlgZR415::_connect);
    breakButton = named(new QPushButton(tr("断开"), this), "breakButton");
    breakButton->setCheckable(false);
    breakButton->setMaximumWidth(80);
    connect(breakButton, &QPushButton::clicked, this, &DlgZR415::_break);
    connectWasAutoDefault = connectButton->autoDefault();
    breakButton->setEnabled(false);

    settingGroup = named(new QGroupBox(tr("设置"), this), "settingGroup");
    cleanCheck = named(new QCheckBox(tr("清除所有星历"), this), "cleanCheck");
    sbasCheck = named(new QCheckBox(tr("打开SBAS"), this), "sbasCheck");
    for (const QString& name : nmeaList) {
        const QByteArray caption = name.toUtf8();
        setRows[caption.toStdString()] =
            named(new SetWidget(this, caption.constData()), caption.constData());
    }
    factoryButton = named(new QPushButton(tr("恢复出厂设置"), this), "factoryButton");
    factoryButton->setMaximumWidth(100);
    connect(factoryButton, &QPushButton::clicked, this, &DlgZR415::_factorySet);
    submitButton = named(new QPushButton(tr("提交"), this), "submitButton");
    submitButton->setMaximumWidth(100);
    connect(submitButton, &QPushButton::clicked, this, &DlgZR415::_submit);

    queryGroup = named(new QGroupBox(tr("查询"), this), "queryGroup");
    bodyNumCheck = named(new QCheckBox(tr("机身号"), this), "bodyNumCheck");
    bodyNumEdit = named(new ValueField(this), "bodyNumEdit");
    bodyNumEdit->setFixedWidth(110);
    for (int i = 0; i < nmeaSentenceCount; ++i) {
        const QByteArray caption = nmeaList[i].toUtf8();
        queryRows[caption.toStdString()] =
            named(new QueryWidget(this, caption.constData()), caption.constData());
    }
    queryButton = named(new QPushButton(tr("查询"), this), "queryButton");
    queryButton->setMaximumWidth(80);
    connect(queryButton, &QPushButton::clicked, this, &DlgZR415::_query);
    saveButton = named(new QPushButton(tr("保存配置"), this), "saveButton");
    saveButton->setMaximumWidth(80);
    connect(saveButton, &QPushButton::clicked, this, &DlgZR415::_save);
    hdtPrefixCheck = named(new QCheckBox(tr("HDT前缀"), this), "hdtPrefixCheck");
    hdtPrefixCombo = named(new QComboBox(this), "hdtPrefixCombo");

    statusLabel = named(new ElidedLabel(this), "statusLabel");
    trafficTap = new LinkTraffic(this);
    // Until a receiver that came back has said who it is, nothing but that question reaches it.
    exchange = new AllAtOnce(
        [this](const std::string& sentence) { return !checkingReturn && writeSentence(sentence); },
        answerWaitMs, this);
    connect(exchange, &AllAtOnce::settled, this, &DlgZR415::reportOutcomes);
    returnCheck = new SerialNumberCheck(
        [this](const std::string& sentence) { return writeSentence(sentence); }, answerWaitMs,
        this);
    // Told from the event loop, not from inside the sink: the verdict may close the port.
    connect(returnCheck, &SerialNumberCheck::answered, this, &DlgZR415::returnedAs,
            Qt::QueuedConnection);
    connect(returnCheck, &SerialNumberCheck::unconfirmed, this, &DlgZR415::returnedUnconfirmed,
            Qt::QueuedConnection);
}

// Grid cells of the rows, as the operator reads them: HDT stands before GRS.
namespace {
struct Cell
{
    const char* name;
    int row;
    int column;
};
const Cell outputCells[] = {{"GGA", 0, 0}, {"ZDA", 0, 1}, {"GST", 0, 2}, {"GSV", 1, 0},
                            {"GSA", 1, 1}, {"GLL", 1, 2}, {"RMC", 2, 0}, {"VTG", 2, 1},
                            {"HDT", 2, 2}, {"GRS", 3, 0}, {"NMEA", 3, 1}};
const Cell queryCells[] = {{"GGA", 1, 0}, {"ZDA", 1, 1}, {"GST", 1, 2}, {"GSV", 2, 0},
                           {"GSA", 2, 1}, {"GLL", 2, 2}, {"RMC", 3, 0}, {"VTG", 3, 1},
                           {"HDT", 3, 2}, {"GRS", 4, 0}};
} // namespace

void DlgZR415::buildLayouts()
{
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(portLabel);
    portRow->addSpacing(10);
    portRow->addWidget(portCombo);
    portRow->addStretch();
    auto* baudRow = new QHBoxLayout;
    baudRow->addWidget(baudLabel);
    baudRow->addSpacing(10);
    baudRow->addWidget(baudCombo);
    baudRow->addStretch();
    auto* linkRow = new QHBoxLayout;
    linkRow->setSpacing(0);
    linkRow->addLayout(portRow);
    linkRow->addSpacing(40);
    linkRow->addLayout(baudRow);
    auto* linkButtonRow = new QHBoxLayout;
    linkButtonRow->addWidget(connectButton);
    linkButtonRow->addWidget(breakButton);
    auto* serialLayout = new QVBoxLayout;
    serialLayout->addLayout(linkRow);
    serialLayout->addLayout(linkButtonRow);
    serialGroup->setLayout(serialLayout);

    auto* optionRow = new QHBoxLayout;
    optionRow->addWidget(sbasCheck);
    optionRow->addWidget(cleanCheck);
    auto* outputGrid = new QGridLayout;
    outputGrid->setObjectName(QStringLiteral("outputGrid"));
    outputGrid->setHorizontalSpacing(10);
    outputGrid->setVerticalSpacing(15);
    for (const Cell& cell : outputCells)
        outputGrid->addWidget(setRows.at(cell.name), cell.row, cell.column);
    auto* hdtPrefixRow = new QHBoxLayout;
    hdtPrefixRow->setObjectName(QStringLiteral("hdtPrefixRow"));
    hdtPrefixRow->setSpacing(0);
    hdtPrefixRow->addWidget(hdtPrefixCheck);
    hdtPrefixRow->addSpacing(5);
    hdtPrefixRow->addWidget(hdtPrefixCombo);
    outputGrid->addLayout(hdtPrefixRow, 3, 2);
    auto* actionRow = new QHBoxLayout;
    actionRow->addWidget(factoryButton);
    actionRow->addWidget(submitButton);
    auto* settingLayout = new QVBoxLayout;
    settingLayout->addLayout(optionRow);
    settingLayout->addLayout(outputGrid);
    settingLayout->addLayout(actionRow);
    settingGroup->setLayout(settingLayout);

    auto* bodyNumRow = new QHBoxLayout;
    bodyNumRow->addWidget(bodyNumCheck);
    bodyNumRow->addSpacing(0);
    bodyNumRow->addWidget(bodyNumEdit);
    bodyNumRow->addStretch();
    auto* informationRow = new QHBoxLayout;
    informationRow->addLayout(bodyNumRow);
    auto* queryGrid = new QGridLayout;
    queryGrid->setObjectName(QStringLiteral("queryGrid"));
    queryGrid->setHorizontalSpacing(10);
    queryGrid->setVerticalSpacing(13);
    for (const Cell& cell : queryCells)
        queryGrid->addWidget(queryRows.at(cell.name), cell.row, cell.column);
    auto* queryButtonRow = new QHBoxLayout;
    queryButtonRow->addWidget(queryButton);
    auto* queryLayout = new QVBoxLayout;
    queryLayout->addLayout(informationRow);
    queryLayout->addLayout(queryGrid);
    queryLayout->addLayout(queryButtonRow);
    queryGroup->setLayout(queryLayout);

    auto* saveRow = new QHBoxLayout;
    // The status text takes the room the stretch had, without widening the page.
    statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    saveRow->addWidget(statusLabel, 1);
    saveRow->addWidget(saveButton);

    auto* pageLayout = new QVBoxLayout(this);
    pageLayout->setSpacing(5);
    pageLayout->addWidget(serialGroup);
    pageLayout->addWidget(settingGroup);
    pageLayout->addWidget(queryGroup);
    pageLayout->addLayout(saveRow);
}
