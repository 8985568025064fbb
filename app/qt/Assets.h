#pragma once
// The pictures built into the program (app/assets/, embedded at build time).
#include <cstdint>
#include <span>

namespace quorin::assets {

std::span<const std::uint8_t> LogoJpeg();       // the logo in the pack-information group
std::span<const std::uint8_t> ReadPackPng();    // 24 x 24, "Read Pack"
std::span<const std::uint8_t> ProgramPng();     // 24 x 24, "Program"
std::span<const std::uint8_t> WindowIconPng();  // 128 x 128, the window icon

}  // namespace quorin::assets
