#include "QueryWidget.h"

#include "ValueField.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>

QueryWidget::QueryWidget(QWidget* parent, const char* caption) : QWidget(parent)
{
    checkBox = new QCheckBox(tr(caption), this);
    valueEdit = new ValueField(this);
    valueEdit->setFixedWidth(50);

    auto* layout = new QHBoxLayout;
    layout->addWidget(checkBox);
    layout->addSpacing(0);
    layout->addWidget(valueEdit);
    layout->addStretch(0);
    layout->setContentsMargins(0, 0, 0, 0);
    setLayout(layout);
}

int QueryWidget::isChecked()
{
    return checkBox->isChecked() ? 1 : 0;
}

void QueryWidget::setChecked(int on)
{
    checkBox->setChecked(on != 0);
}

void QueryWidget::setText(const QString& text)
{
    valueEdit->setText(text);
}
