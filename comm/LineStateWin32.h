#pragma once
// The line state and time-outs of CommSettings expressed as the Win32 DCB and COMMTIMEOUTS.
// Pure functions, no I/O: any thread. Windows only.
#include <windows.h>

#include <cstdint>

#include "comm/CommSettings.h"

namespace quorin {

// Overwrites in `dcb` every field the component owns: BaudRate, the whole flag word (rebuilt
// from fBinary each time, abort-on-error off), XonLim, XoffLim, ByteSize, Parity, StopBits,
// XonChar, XoffChar and ErrorChar. DCBlength, EofChar, EvtChar and the reserved words keep the
// values they had (those GetCommState read).
void MapLineState(const CommSettings& settings, DCB& dcb);

// The DCB flag word (fBinary ... fAbortOnError and the bits above) as one number, e.g. 0x1291
// for the stored port settings of the main window. For tests and traces.
std::uint32_t DcbFlagWord(const DCB& dcb);

// The five time-outs in the order of COMMTIMEOUTS.
COMMTIMEOUTS MapTimeouts(const CommSettings& settings);

}  // namespace quorin
