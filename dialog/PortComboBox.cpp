#include "PortComboBox.h"

#include <QAbstractItemView>
#include <QStyleOptionComboBox>
#include <QStylePainter>

PortComboBox::PortComboBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, &PortComboBox::showChosenHoverText);
}

void PortComboBox::showPopup()
{
    emit aboutToShowPopup();
    QComboBox::showPopup();
}

void PortComboBox::describe(const QList<PortDetails>& ports)
{
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        if (i < ports.size())
            setItemData(i, hoverText(ports[i]), Qt::ToolTipRole);
        widest = std::max(widest, fontMetrics().horizontalAdvance(itemText(i)));
    }
    // Room for the scroll bar and the item margins; never narrower than the box.
    view()->setMinimumWidth(widest + 2 * fontMetrics().averageCharWidth() +
                            style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    showChosenHoverText();
}

void PortComboBox::setAbsentPort(const QString& name)
{
    setPlaceholderText(name);
    showChosenHoverText();
    update();
}

QString PortComboBox::hoverText(const PortDetails& port) const
{
    QStringList lines{port.name};
    if (port.path != port.name)
        lines << port.path;
    if (!port.description.isEmpty())
        lines << tr("描述：%1").arg(port.description);
    if (!port.manufacturer.isEmpty())
        lines << tr("厂商：%1").arg(port.manufacturer);
    if (!port.serialNumber.isEmpty())
        lines << tr("序列号：%1").arg(port.serialNumber);
    if (!port.usbIds().isEmpty())
        lines << tr("USB 标识：%1").arg(port.usbIds());
    if (!port.byId.isEmpty() && port.byId != port.path)
        lines << tr("固定名称：%1").arg(port.byId);
    return lines.join(QLatin1Char('\n'));
}

void PortComboBox::showChosenHoverText()
{
    const QString text = currentData(Qt::ToolTipRole).toString();
    setToolTip(!text.isEmpty() ? text : currentIndex() >= 0 ? currentText() : placeholderText());
}

QString PortComboBox::shownText() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    if (currentIndex() < 0)
        option.currentText = placeholderText();
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    return fontMetrics().elidedText(option.currentText, Qt::ElideLeft, field.width());
}

void PortComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText();
    if (currentIndex() < 0)
        option.palette.setBrush(QPalette::ButtonText, option.palette.placeholderText());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
