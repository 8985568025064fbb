#include "settings/ProfileText.h"

namespace quorin {
namespace {

void PutUtf8(std::uint32_t codePoint, std::string& out) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

void PutUnit(std::uint32_t unit, std::string& out) {
  out += static_cast<char>(unit & 0xFF);
  out += static_cast<char>(unit >> 8);
}

bool IsHigh(std::uint32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLow(std::uint32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

void Utf16LeDecoder::Unit(std::uint16_t unit, std::string& out) {
  if (high_ != 0) {
    if (IsLow(unit)) {
      PutUtf8(0x10000 + ((static_cast<std::uint32_t>(high_) - 0xD800) << 10) + (unit - 0xDC00u),
              out);
      high_ = 0;
      return;
    }
    PutUtf8(high_, out);  // a high surrogate without its partner
    high_ = 0;
  }
  if (IsHigh(unit)) {
    high_ = unit;
    return;
  }
  PutUtf8(unit, out);
}

void Utf16LeDecoder::Decode(std::string_view bytes, std::string& out) {
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (oddByte_ < 0) {
      oddByte_ = byte;
      continue;
    }
    Unit(static_cast<std::uint16_t>(oddByte_ | (byte << 8)), out);
    oddByte_ = -1;
  }
}

bool Utf16LeDecoder::Finish(std::string& out) {
  if (high_ != 0) PutUtf8(high_, out);
  high_ = 0;
  return oddByte_ < 0;
}

bool Utf16LeEncoder::Encode(std::string_view text, std::string& out) {
  std::string joined;
  if (!pending_.empty()) {
    joined = pending_ + std::string(text);
    text = joined;
    pending_.clear();
  }
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    std::uint32_t codePoint = 0;
    if (lead < 0x80) {
      length = 1;
      codePoint = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      codePoint = lead & 0x07;
    } else {
      return false;
    }
    if (text.size() - at < length) {
      for (std::size_t i = at + 1; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return false;
      }
      pending_ = std::string(text.substr(at));
      return true;
    }
    for (std::size_t i = 1; i < length; ++i) {
      const auto next = static_cast<unsigned char>(text[at + i]);
      if ((next & 0xC0) != 0x80) return false;
      codePoint = (codePoint << 6) | (next & 0x3F);
    }
    // Overlong forms and numbers beyond Unicode are not UTF-8; lone surrogates are let through.
    if ((length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000) ||
        codePoint > 0x10FFFF) {
      return false;
    }
    if (codePoint >= 0x10000) {
      PutUnit(0xD800 + ((codePoint - 0x10000) >> 10), out);
      PutUnit(0xDC00 + ((codePoint - 0x10000) & 0x3FF), out);
    } else {
      PutUnit(codePoint, out);
    }
    at += length;
  }
  return true;
}

}  // namespace quorin
