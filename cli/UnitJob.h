#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <string>
#include <vector>

// What to do with one receiver: where it is, how to find its speed, what to send and what to
// read back.
struct UnitJob
{
    QString command; // query, set, apply, reset: named in the result
    QString port;
    QStringList ignoredKeys;       // apply: the profile's keys the window does not know
    std::vector<unsigned> bauds;   // tried in this order
    bool searchBaud = true;        // several speeds, each asked once with the short wait
    std::vector<std::string> sets; // with CR LF, sent one at a time
    std::map<std::string, std::string> wanted; // sentence name -> rate read back afterwards
    QStringList expectedSerials; // a unit with another serial number is sent no SET; empty: any
    QString boundSerial;         // bound to this port: the only serial number taken; wins over
                                 // expectedSerials
    bool verify = true;
    bool readRates = false;       // ask for every output rate (query)
    bool check = false;           // send no SET: read the rates and say what sets would change
    bool readBefore = false;      // apply: read the wanted rates before the SETs, to tell changes
    bool ratesForProfile = false; // query --profile: a rate a profile cannot hold fails the unit
    int ackMs = 1000;             // wait for each answer; one retry after it
    int probeMs = 300;            // wait at each speed while searching
    double observeSeconds = 0;    // listen this long at the end and compare with wanted
};
