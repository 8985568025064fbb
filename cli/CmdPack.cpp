// quorin-iap-cli pack create --firmware FILE --version N [--target N] [--kind software|settings]
//                            [--wire-key K] [--header-key A,B] [--filler B] [--force] -o OUT
// Builds an update pack from a raw .bin or an Intel .hex firmware file.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/Commands.h"
#include "cli/NameArgs.h"
#include "iap/PackJudgement.h"
#include "pack/IntelHex.h"
#include "pack/PackWriter.h"
#include "pack/UpdatePack.h"
#include "platform/FileIdentity.h"
#include "platform/Files.h"
#include "platform/OutsideText.h"

namespace quorin {
namespace {

// A HEX file describing the largest firmware stays well below this.
constexpr std::size_t kMaxHexFileSize = 16 * 1024 * 1024;

struct PackCreateOptions {
  std::string firmware;
  std::string version;
  std::string target = std::to_string(kOwnTargetCode);
  std::string kind = "software";
  std::string wireKey;
  std::vector<std::string> headerKey;
  std::string filler;
  std::string output;
  bool force = false;
};

std::string LowerExtension(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

// The value of `text` ("6400", "0x5A"), or nothing when it is not such a number or exceeds `max`.
// No sign, no blanks, no octal: "010" is ten.
std::optional<std::uint64_t> ParseUnsigned(std::string_view text, std::uint64_t max) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty() || text.front() == '+' || text.front() == '-') return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (error != std::errc() || end != text.data() + text.size() || value > max) {
    return std::nullopt;
  }
  return value;
}

// A CLI11 check that accepts what ParseUnsigned accepts (CLI11 names the option in its message).
CLI::Validator UnsignedUpTo(std::uint64_t max) {
  return CLI::Validator(
      [max](std::string& text) -> std::string {
        if (ParseUnsigned(text, max)) return {};
        return "must be a number from 0 to " + std::to_string(max) +
               " (decimal, or hexadecimal with 0x), not '" + text + "'";
      },
      "0.." + std::to_string(max));
}

std::uint8_t Byte(const std::string& text) {
  return static_cast<std::uint8_t>(*ParseUnsigned(text, 0xFF));
}

// Reads the firmware bytes of a .bin or .hex file; when there are none says why and returns the
// exit code.
std::optional<int> ReadFirmware(const std::string& path, std::vector<std::uint8_t>& firmware) {
  const std::string extension = LowerExtension(path);
  if (extension != ".bin" && extension != ".hex") {
    return Fail("pack create", kExitBrokenPack,
                path +
                    ": the firmware must be a raw .bin or an Intel .hex file; rename it "
                    "if it is one of these");
  }
  const bool hex = extension == ".hex";
  const std::size_t limit = hex ? kMaxHexFileSize : kMaxDataLength;
  platform::FileContents contents = platform::ReadWholeFile(path, limit);
  const std::error_code error = contents.Error;
  if (error == platform::FileErrc::TooLarge) {
    // No size seen: the file grew after it was opened.
    const std::string size = contents.SizeSeen > limit ? std::to_string(contents.SizeSeen)
                                                       : "more than " + std::to_string(limit);
    return Fail("pack create", kExitBrokenPack,
                path + " holds " + size + " bytes" +
                    (hex ? ", far more than a HEX file of a pack's firmware needs"
                         : "; a pack carries at most " + std::to_string(kMaxDataLength) +
                               " bytes of firmware"));
  }
  if (error == platform::FileErrc::NotRegularFile || error == std::errc::is_a_directory) {
    return Fail("pack create", kExitUnreadablePack, "cannot read " + path + ": not a regular file");
  }
  if (error) {
    return Fail("pack create", kExitUnreadablePack, "cannot read " + path + ": " + error.message());
  }
  try {
    firmware =
        hex ? ParseIntelHex(contents.Bytes, kMaxDataLength).Bytes : std::move(contents.Bytes);
  } catch (const IntelHexError& bad) {
    return Fail("pack create", kExitBrokenPack,
                path + " line " + std::to_string(bad.Line()) + ": " + bad.Problem() +
                    ". Fix the file or export it again from your build.");
  }
  if (firmware.empty()) {
    return Fail("pack create", kExitBrokenPack,
                path + (hex ? " has no data records" : " is empty") +
                    ": there is no firmware to put into a pack");
  }
  return std::nullopt;
}

int RunPackCreate(const PackCreateOptions& options) {
  std::vector<std::uint8_t> firmware;
  if (const auto refused = ReadFirmware(options.firmware, firmware)) return *refused;
  // Only a regular file is ever replaced: --force means "this pack may go", not "this device".
  if (const auto existing = platform::IdentityOf(options.output);
      existing && existing->Kind != platform::FileKind::Regular) {
    return Fail("pack create", kExitUnreadablePack,
                options.output +
                    " exists and is not a regular file (a folder, a device, a FIFO ...); it is "
                    "never replaced, with or without --force: choose another -o");
  }

  PackFields fields;
  fields.Version = static_cast<std::uint16_t>(*ParseUnsigned(options.version, 0xFFFF));
  fields.TargetCode = static_cast<std::uint32_t>(*ParseUnsigned(options.target, 0xFFFFFFFF));
  fields.UpdateKind = options.kind == "settings" ? kUpdateKindSoftwareAndSettings : 0x00;
  if (!options.wireKey.empty()) fields.WireKey = Byte(options.wireKey);
  if (options.headerKey.size() == 2) {
    fields.HeaderKeyBytes =
        std::array<std::uint8_t, 2>{Byte(options.headerKey[0]), Byte(options.headerKey[1])};
  }
  if (!options.filler.empty()) fields.Filler = Byte(options.filler);

  // The firmware was read within kMaxDataLength: it fits a pack.
  const auto image = BuildPackImage(firmware, fields);
  platform::WriteOptions write;
  write.KeepExisting = !options.force;
  platform::WriteStep step = platform::WriteStep::Create;
  if (const std::error_code error = platform::WriteFileAtomically(
          options.output,
          [&image](platform::FileSink& sink) {
            return sink.Write(std::as_bytes(std::span(*image)));
          },
          write, &step)) {
    const std::string& output = options.output;
    std::string line = "cannot write " + output + ": " + error.message();
    if (step == platform::WriteStep::Create && options.force) {
      line = "cannot create a file beside " + output + ": " + error.message();
    } else if (step == platform::WriteStep::Create && error == std::errc::file_exists) {
      line = output + " already exists; pass --force to replace it, or choose another -o";
    } else if (step == platform::WriteStep::Create) {
      line = "cannot create " + output + ": " + error.message();
    }
    return Fail("pack create", kExitUnreadablePack, line);
  }
  std::printf("wrote %s: version %u, target %lu, %s, %zu byte%s of firmware\n",
              platform::TerminalSafe(options.output).c_str(), static_cast<unsigned>(fields.Version),
              static_cast<unsigned long>(fields.TargetCode), UpdateKindText(fields.UpdateKind),
              firmware.size(), firmware.size() == 1 ? "" : "s");
  return kExitOk;
}

}  // namespace

void AddPackCommand(CLI::App& app, int& exitCode) {
  CLI::App* pack = app.add_subcommand("pack", "Make update packs");
  pack->require_subcommand(1);

  const auto [create, options] = AddCommand(
      *pack, "create",
      "Write an update pack from a firmware file.\nExit codes: 0 written, 1 the firmware cannot "
      "go into a pack (bad HEX file, too large, no firmware at all), 2 a file cannot be read or "
      "written (an existing output without --force; an output that is not a regular file, even "
      "with --force), 64 a usage error.",
      exitCode, RunPackCreate);
  AddNameOption(*create, "--firmware", options->firmware,
                "Firmware as a raw .bin or an Intel .hex file")
      ->required();
  create->add_option("--version", options->version, "Firmware version number, 0 to 65535")
      ->required()
      ->check(UnsignedUpTo(0xFFFF));
  create->add_option("--target", options->target, "Target code (default 20002)")
      ->check(UnsignedUpTo(0xFFFFFFFF));
  create
      ->add_option("--kind", options->kind,
                   "software: update software only (default); settings: software + settings")
      ->check(CLI::IsMember({"software", "settings"}));
  create
      ->add_option("--wire-key", options->wireKey,
                   "Key byte for the serial line, 0 to 255 (random when not given)")
      ->check(UnsignedUpTo(0xFF));
  create
      ->add_option("--header-key", options->headerKey,
                   "The two header-key bytes A,B (random when not given)")
      ->delimiter(',')
      ->expected(2)
      ->check(UnsignedUpTo(0xFF));
  create
      ->add_option("--filler", options->filler,
                   "Byte after the firmware up to the pack's size (random bytes when not given)")
      ->check(UnsignedUpTo(0xFF));
  AddNameOption(*create, "-o,--output", options->output, "The pack file to write (*.Pack)")
      ->required();
  create->add_flag("--force", options->force,
                   "Replace the output file if it exists (only a regular file)");
}

}  // namespace quorin
