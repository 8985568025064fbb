#include "comm/LineStatePosix.h"

#include <array>
#include <utility>

namespace quorin {

namespace {

// The termios flags in the order of TByteSize and TParity (Mark and Space through CMSPAR).
constexpr tcflag_t kDataBits[] = {CS5, CS6, CS7, CS8};
constexpr tcflag_t kParity[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                PARENB | CMSPAR};

}  // namespace

void MapLineState(const CommSettings& s, termios& tio) {
  // Raw mode: the bytes of a binary protocol pass untouched in both directions.
  tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY | INPCK | IGNPAR);
  tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN);

  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  tio.c_cflag |= CLOCAL | CREAD | kDataBits[static_cast<int>(s.ByteSize)] |
                 kParity[static_cast<int>(s.Parity)];
  if (s.StopBits != TStopBits::_1) tio.c_cflag |= CSTOPB;
  if (s.Outx_CtsFlow || s.RtsControl == TRtsControl::RtsHandshake) tio.c_cflag |= CRTSCTS;

  if (s.ParityCheck) tio.c_iflag |= INPCK;
  if (s.Outx_XonXoffFlow) tio.c_iflag |= IXON;
  if (s.Inx_XonXoffFlow) tio.c_iflag |= IXOFF;
  tio.c_cc[VSTART] = static_cast<cc_t>(s.XonChar);
  tio.c_cc[VSTOP] = static_cast<cc_t>(s.XoffChar);

  // One byte wakes a read; the reader's poll loop does the timing.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
}

std::optional<speed_t> StandardSpeed(std::uint32_t baud) {
  static constexpr std::array<std::pair<std::uint32_t, speed_t>, 30> kTable{{
      {50, B50},           {75, B75},           {110, B110},         {134, B134},
      {150, B150},         {200, B200},         {300, B300},         {600, B600},
      {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
      {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
      {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
      {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
      {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
      {3500000, B3500000}, {4000000, B4000000},
  }};
  for (const auto& [rate, constant] : kTable) {
    if (rate == baud) return constant;
  }
  return std::nullopt;
}

}  // namespace quorin
