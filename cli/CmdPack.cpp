// quorin-iap-cli pack create --firmware FILE --version N [--target N] [--kind software|settings]
//                            [--wire-key K] [--header-key A,B] [--filler B] [--force] -o OUT
// Builds an update pack from a raw .bin or an Intel .hex firmware file.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/FileBytes.h"
#include "cli/NameArgs.h"
#include "cli/NumberArgs.h"
#include "iap/PackJudgement.h"
#include "pack/IntelHex.h"
#include "pack/PackWriter.h"
#include "pack/UpdatePack.h"
#include "platform/FileIdentity.h"
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

std::uint8_t Byte(const std::string& text) {
  return static_cast<std::uint8_t>(*ParseUnsigned(text, 0xFF));
}

// The firmware bytes of a .bin or .hex file; reports and returns false when there are none.
bool ReadFirmware(const std::string& path, std::vector<std::uint8_t>& firmware, int& exitCode) {
  const std::string extension = LowerExtension(path);
  if (extension != ".bin" && extension != ".hex") {
    exitCode = Fail("pack create", kExitBrokenPack,
                    path +
                        ": the firmware must be a raw .bin or an Intel .hex file; rename it "
                        "if it is one of these");
    return false;
  }
  try {
    if (extension == ".bin") {
      firmware = ReadWholeFile(path, kMaxDataLength);
      return true;
    }
    std::vector<std::uint8_t> text;
    try {
      text = ReadWholeFile(path, kMaxHexFileSize);
    } catch (const FileTooLarge& error) {
      exitCode =
          Fail("pack create", kExitBrokenPack,
               std::string(error.what()) + ", far more than a HEX file of a pack's firmware needs");
      return false;
    }
    firmware = ParseIntelHex(text, kMaxDataLength).Bytes;
    return true;
  } catch (const FileTooLarge& error) {
    exitCode = Fail("pack create", kExitBrokenPack,
                    std::string(error.what()) + "; a pack carries at most " +
                        std::to_string(kMaxDataLength) + " bytes of firmware");
  } catch (const IntelHexError& error) {
    exitCode = Fail("pack create", kExitBrokenPack,
                    path + " line " + std::to_string(error.Line()) + ": " + error.Problem() +
                        ". Fix the file or export it again from your build.");
  } catch (const FileError& error) {
    exitCode = Fail("pack create", kExitUnreadablePack, error.what());
  }
  return false;
}

int RunPackCreate(const PackCreateOptions& options) {
  std::vector<std::uint8_t> firmware;
  int exitCode = kExitOk;
  if (!ReadFirmware(options.firmware, firmware, exitCode)) return exitCode;
  if (firmware.empty()) {
    return Fail(
        "pack create", kExitBrokenPack,
        options.firmware +
            (LowerExtension(options.firmware) == ".hex" ? " has no data records" : " is empty") +
            ": there is no firmware to put into a pack");
  }
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

  try {
    const auto image = BuildPackImage(firmware, fields);
    WriteNewFile(options.output, *image, options.force);
  } catch (const FirmwareTooLarge& error) {
    return Fail("pack create", kExitBrokenPack, options.firmware + ": " + error.what());
  } catch (const FileExists& error) {
    return Fail("pack create", kExitUnreadablePack,
                std::string(error.what()) + "; pass --force to replace it, or choose another -o");
  } catch (const FileError& error) {
    return Fail("pack create", kExitUnreadablePack, error.what());
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
