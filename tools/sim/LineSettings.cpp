#include "LineSettings.h"

// <asm/termbits.h> defines the same names as <termios.h>, so this file includes it alone.
#include <asm/termbits.h>
#include <sys/ioctl.h>

bool readLineSettings(int fd, LineSettings& settings)
{
    struct termios2 mode = {};
    if (ioctl(fd, TCGETS2, &mode) != 0)
        return false;
    // With BOTHER the speed is the number itself; otherwise the kernel still fills c_ospeed with
    // the speed of the table entry.
    settings.baud = mode.c_ospeed != 0 ? mode.c_ospeed : mode.c_ispeed;
    switch (mode.c_cflag & CSIZE) {
    case CS5:
        settings.dataBits = 5;
        break;
    case CS6:
        settings.dataBits = 6;
        break;
    case CS7:
        settings.dataBits = 7;
        break;
    default:
        settings.dataBits = 8;
    }
    settings.parity = (mode.c_cflag & PARENB) != 0;
    settings.stopBits = (mode.c_cflag & CSTOPB) ? 2 : 1;
    settings.hardwareFlow = (mode.c_cflag & CRTSCTS) != 0;
    return true;
}
