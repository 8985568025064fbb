#include "iap/UsbChips.h"

#include <array>

namespace quorin {
namespace {

constexpr std::string_view kWch = "CH341SER from WCH (wch-ic.com)";
constexpr std::string_view kWch9102 = "CH343SER from WCH (wch-ic.com)";
constexpr std::string_view kSilabs = "the CP210x VCP driver from Silicon Labs";
constexpr std::string_view kProlific = "the PL2303 driver from Prolific";
constexpr std::string_view kFtdi = "the VCP driver from FTDI (ftdichip.com)";

constexpr std::array kChips{
    UsbChip{"1a86", "7523", "CH340", "ch341", kWch},
    UsbChip{"1a86", "7522", "CH340", "ch341", kWch},
    UsbChip{"1a86", "5523", "CH341", "ch341", kWch},
    UsbChip{"1a86", "55d4", "CH9102", "cdc_acm", kWch9102},
    UsbChip{"10c4", "ea60", "CP210x", "cp210x", kSilabs},
    UsbChip{"067b", "2303", "PL2303", "pl2303", kProlific},
    UsbChip{"067b", "23a3", "PL2303", "pl2303", kProlific},
    UsbChip{"0403", "6001", "FT232R", "ftdi_sio", kFtdi},
    UsbChip{"0403", "6015", "FT231X", "ftdi_sio", kFtdi},
};

}  // namespace

const UsbChip* FindUsbChip(std::string_view vendorId, std::string_view productId) {
  for (const UsbChip& chip : kChips) {
    if (chip.VendorId == vendorId && chip.ProductId == productId) return &chip;
  }
  return nullptr;
}

std::string_view ChipNameByClass(std::string_view usbClass) {
  return usbClass == "02" || usbClass == "0a" ? "CDC ACM" : "USB serial";
}

}  // namespace quorin
