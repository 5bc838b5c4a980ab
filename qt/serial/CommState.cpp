// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial/CommState.h"

#include <algorithm>

namespace purlo {

DCB commStateFor(const LineSettings& line, DCB dcb) {
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = static_cast<DWORD>(line.baud);
    dcb.ByteSize = static_cast<BYTE>(line.dataBits);
    switch (line.parity) {
        case Parity::Even: dcb.Parity = EVENPARITY; break;
        case Parity::Odd: dcb.Parity = ODDPARITY; break;
        case Parity::Mark: dcb.Parity = MARKPARITY; break;
        case Parity::Space: dcb.Parity = SPACEPARITY; break;
        case Parity::None: dcb.Parity = NOPARITY; break;
    }
    dcb.fParity = line.parity == Parity::None ? FALSE : TRUE;
    dcb.StopBits = line.halfStopBits == 3   ? ONE5STOPBITS
                   : line.halfStopBits == 4 ? TWOSTOPBITS
                                            : ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    // The console's own null discard decides about NUL bytes; a parity error
    // leaves the byte as it came and stops nothing.
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    return dcb;
}

COMMTIMEOUTS commTimeoutsFor(const LineSettings& line) {
    COMMTIMEOUTS t{};
    // The one combination that means "what is there, else the first bytes";
    // the transport only asks for as many as are there, or for one.
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = MAXDWORD;
    t.ReadTotalTimeoutConstant = MAXDWORD - 1;
    // A character is at most 12 bit times (start, 8 data, parity, 2 stop);
    // whole milliseconds, rounded up.
    t.WriteTotalTimeoutMultiplier = static_cast<DWORD>(12000 / std::max(line.baud, 1) + 1);
    t.WriteTotalTimeoutConstant = 2000;
    return t;
}

}  // namespace purlo
