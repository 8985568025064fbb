#include "comm/LineStateWin32.h"

#include <cstddef>
#include <cstring>

namespace quorin {

namespace {

// The driver's modes in the order of TDtrControl and TRtsControl.
constexpr DWORD kDtrBits[] = {DTR_CONTROL_ENABLE, DTR_CONTROL_DISABLE, DTR_CONTROL_HANDSHAKE};
constexpr DWORD kRtsBits[] = {RTS_CONTROL_ENABLE, RTS_CONTROL_DISABLE, RTS_CONTROL_HANDSHAKE,
                              RTS_CONTROL_TOGGLE};

}  // namespace

void MapLineState(const CommSettings& s, DCB& dcb) {
  dcb.BaudRate = s.BaudRate;
  // The flag word is rebuilt from nothing: fields not set below (fAbortOnError, fDummy2) are 0.
  dcb.fBinary = TRUE;
  dcb.fParity = s.ParityCheck;
  dcb.fOutxCtsFlow = s.Outx_CtsFlow;
  dcb.fOutxDsrFlow = s.Outx_DsrFlow;
  dcb.fDtrControl = kDtrBits[static_cast<int>(s.DtrControl)];
  dcb.fDsrSensitivity = s.DsrSensitivity;
  dcb.fTXContinueOnXoff = s.TxContinueOnXoff;
  dcb.fOutX = s.Outx_XonXoffFlow;
  dcb.fInX = s.Inx_XonXoffFlow;
  dcb.fErrorChar = s.ReplaceWhenParityError;
  dcb.fNull = s.IgnoreNullChar;
  dcb.fRtsControl = kRtsBits[static_cast<int>(s.RtsControl)];
  dcb.fAbortOnError = FALSE;
  dcb.fDummy2 = 0;
  dcb.XonLim = s.XonLimit;
  dcb.XoffLim = s.XoffLimit;
  dcb.ByteSize = static_cast<BYTE>(static_cast<int>(s.ByteSize) + 5);
  dcb.Parity = static_cast<BYTE>(s.Parity);
  dcb.StopBits = static_cast<BYTE>(s.StopBits);
  dcb.XonChar = static_cast<char>(s.XonChar);
  dcb.XoffChar = static_cast<char>(s.XoffChar);
  dcb.ErrorChar = static_cast<char>(s.ReplacedChar);
}

std::uint32_t DcbFlagWord(const DCB& dcb) {
  // The bit-fields fill the DWORD right after BaudRate.
  std::uint32_t word = 0;
  std::memcpy(
      &word, reinterpret_cast<const unsigned char*>(&dcb) + offsetof(DCB, BaudRate) + sizeof(DWORD),
      sizeof word);
  return word;
}

COMMTIMEOUTS MapTimeouts(const CommSettings& s) {
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = s.ReadIntervalTimeout;
  t.ReadTotalTimeoutMultiplier = s.ReadTotalTimeoutMultiplier;
  t.ReadTotalTimeoutConstant = s.ReadTotalTimeoutConstant;
  t.WriteTotalTimeoutMultiplier = s.WriteTotalTimeoutMultiplier;
  t.WriteTotalTimeoutConstant = s.WriteTotalTimeoutConstant;
  return t;
}

}  // namespace quorin
