#include "NmeaList.h"

const QStringList nmeaList = QStringLiteral("GGA,ZDA,GST,GSV,GSA,GLL,RMC,VTG,GRS,HDT,NMEA")
                                 .split(QLatin1Char(','), Qt::KeepEmptyParts, Qt::CaseSensitive);
