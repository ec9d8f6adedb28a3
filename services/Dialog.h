#pragma once

#include <QDialog>

// Base of the tool's dialogs.
class Dialog : public QDialog
{
public:
    explicit Dialog(QWidget* parent);
};
