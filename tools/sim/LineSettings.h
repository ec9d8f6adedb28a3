#pragma once

// The line settings the far end of a serial line (or pseudo-terminal) has set, as the device
// sees them.
struct LineSettings
{
    unsigned baud;
    int dataBits;
    bool parity;
    int stopBits;
    bool hardwareFlow;
};

// Reads the settings of the terminal fd. The speed comes from the kernel's own numbers, so the
// rates outside the standard table (256000 and the like) read as what was set. False when fd is
// no terminal.
bool readLineSettings(int fd, LineSettings& settings);
