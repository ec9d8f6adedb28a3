#include "SetWidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>

SetWidget::SetWidget(QWidget* parent, const char* caption) : QWidget(parent)
{
    // The sentence name is shown as it is, untranslated.
    checkBox = new QCheckBox(QString::fromUtf8(caption), this);
    rateBox = new QComboBox(this);

    auto* layout = new QHBoxLayout;
    layout->addWidget(checkBox);
    layout->addSpacing(5);
    layout->addWidget(rateBox);
    layout->addStretch(0);
    layout->setContentsMargins(0, 0, 0, 0);
    setLayout(layout);

    const QStringList rates = QStringLiteral("OFF,0.02,0.05,0.1,0.2,0.5,1,2,5,10,15,30,60")
                                  .split(QLatin1Char(','), Qt::KeepEmptyParts, Qt::CaseSensitive);
    for (const QString& rate : rates)
        rateBox->addItem(tr(rate.toUtf8().constData()), QVariant());
}

int SetWidget::isChecked()
{
    return checkBox->isChecked() ? 1 : 0;
}

void SetWidget::setChecked(int on)
{
    checkBox->setChecked(on != 0);
}

QString SetWidget::currentText()
{
    return rateBox->currentText();
}

void SetWidget::setCurrentText(QString text)
{
    const int index = rateBox->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0 && index <= rateBox->count() - 1)
        rateBox->setCurrentIndex(index);
}
