// quorin-iap-cli info PACK [--json]
// Loads a pack the way the window's Read Pack command does and shows its header fields.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "cli/JsonText.h"
#include "cli/NameArgs.h"
#include "cli/PackProblems.h"
#include "iap/Messages.h"
#include "iap/PackJudgement.h"
#include "pack/UpdatePack.h"
#include "platform/OutsideText.h"
#include "platform/Utf8Path.h"

namespace quorin {
namespace {

struct InfoOptions {
  std::string path;
  bool json = false;
};

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

void PrintLines(const std::string& name, const PackHeader& header) {
  std::printf("file: %s\n", platform::TerminalSafe(name).c_str());
  std::printf("version: %u\n", static_cast<unsigned>(header.Version()));
  std::printf("target: %lu\n", static_cast<unsigned long>(header.TargetCode()));
  std::printf("kind: %s\n", UpdateKindText(header.UpdateKind()));
  std::printf("data-length: %lu\n", static_cast<unsigned long>(header.DataLength()));
  std::printf("data-sum: %lu\n", static_cast<unsigned long>(header.DataSum()));
  std::printf("wire-key: %s\n", Hex(header.WireKey(), 2).c_str());
  std::printf("header-crc: %s\n", Hex(header.HeaderCrc(), 4).c_str());
}

void PrintJson(const std::string& name, const PackHeader& header) {
  std::printf(
      "{\"file\": %s, \"version\": %u, \"target\": %lu, \"kind\": %s, \"data-length\": %lu, "
      "\"data-sum\": %lu, \"wire-key\": \"%s\", \"header-crc\": \"%s\"}\n",
      JsonString(name).c_str(), static_cast<unsigned>(header.Version()),
      static_cast<unsigned long>(header.TargetCode()),
      JsonString(UpdateKindText(header.UpdateKind())).c_str(),
      static_cast<unsigned long>(header.DataLength()), static_cast<unsigned long>(header.DataSum()),
      Hex(header.WireKey(), 2).c_str(), Hex(header.HeaderCrc(), 4).c_str());
}

// Says why the pack `name` was not shown: the text and its plain-language line on stderr, and
// with `json` also one object on stdout. Returns `exitCode`.
int Refuse(bool json, const std::string& name, int exitCode, const std::string& text,
           const std::string& detail, const EInOutError* ioError) {
  std::fprintf(stderr, "%s\n  %s\n", text.c_str(), detail.c_str());
  if (json) {
    std::printf("{\"file\": %s, \"error\": {\"code\": %d, ", JsonString(name).c_str(), exitCode);
    if (ioError != nullptr) std::printf("\"io-code\": %d, ", ioError->Code());
    std::printf("\"text\": %s, \"detail\": %s}}\n", JsonString(text).c_str(),
                JsonString(detail).c_str());
  }
  return exitCode;
}

int RunInfo(const InfoOptions& options) {
  const std::string name = platform::Utf8FromPath(platform::PathFromUtf8(options.path).filename());
  const auto records = std::make_unique<PackRecords>();
  PackDecodeResult decoded = PackDecodeResult::Ok;
  try {
    decoded = LoadUpdatePackResult(*records, options.path);
  } catch (const EInOutError& error) {
    return Refuse(options.json, name, kExitUnreadablePack, std::string(error.what()) + ".",
                  ReadErrorExplanation(error, options.path), &error);
  }
  const PackVerdict verdict = JudgePack(decoded == PackDecodeResult::Ok, records->Header);
  if (verdict == PackVerdict::Broken) {
    return Refuse(options.json, name, kExitBrokenPack, text::kPackBroken,
                  BrokenPackExplanation(decoded, records->Header), nullptr);
  }
  if (options.json) {
    PrintJson(name, records->Header);
  } else {
    PrintLines(name, records->Header);
  }
  std::fflush(stdout);
  if (verdict == PackVerdict::ForeignTarget) std::fprintf(stderr, "%s\n", text::kForeignTarget);
  return kExitOk;
}

}  // namespace

void AddInfoCommand(CLI::App& app, int& exitCode) {
  const auto [info, options] = AddCommand(
      app, "info",
      "Check an update pack and show its header: file, version, target, kind, data-length, "
      "data-sum, wire-key, header-crc.\nExit codes: 0 a good pack (a pack for another target "
      "also warns \"固件包错误\" on stderr), 1 a broken pack, 2 a file that cannot be read, "
      "64 a usage error. On a failure stderr tells the loader's text and what it means; with "
      "--json stdout also gets one object {\"file\", \"error\": {\"code\" (the exit code), "
      "\"io-code\" (a file that cannot be read), \"text\", \"detail\"}}.",
      exitCode, RunInfo);
  AddNameOption(*info, "PACK", options->path, "The pack file (*.Pack)")->required();
  info->add_flag("--json", options->json, "Print the fields as one JSON object");
}

}  // namespace quorin
