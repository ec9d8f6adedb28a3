#pragma once

#include "Dialog.h"

class QTabWidget;
class DlgZR415;

// The tool's only top-level window: one tab holding the receiver settings page.
class DlgTab : public Dialog
{
    Q_OBJECT

public:
    explicit DlgTab(QWidget* parent);

    DlgZR415* settingsPage() const { return page; }
    QTabWidget* tabs() const { return tabWidget; }

private:
    void buildUi();

    QTabWidget* tabWidget = nullptr;
    DlgZR415* page = nullptr;
};
