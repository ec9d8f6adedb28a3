#pragma once

#include "Constellation.h"

#include <QColor>
#include <QCoreApplication>
#include <QString>

// How the receiver tab names and colours each satellite system, the same in its plots, legend
// and table.
class ConstellationLook
{
    Q_DECLARE_TR_FUNCTIONS(ConstellationLook)

public:
    static QString name(Constellation system);
    static QColor colour(Constellation system);
};
