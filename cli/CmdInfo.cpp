// quorin-iap-cli info PACK [--json]
// Loads a pack the way the window's Read Pack command does and shows its header fields.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

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

// The pack's name and header fields on stdout: one "name: value" line each, or with `json` one
// object.
void PrintHeader(const std::string& name, const PackHeader& header, bool json) {
  // Each field's name, value and whether JSON shows it as a string.
  const std::tuple<const char*, std::string, bool> fields[] = {
      {"version", std::to_string(header.Version()), false},
      {"target", std::to_string(header.TargetCode()), false},
      {"kind", UpdateKindText(header.UpdateKind()), true},
      {"data-length", std::to_string(header.DataLength()), false},
      {"data-sum", std::to_string(header.DataSum()), false},
      {"wire-key", Hex(header.WireKey(), 2), true},
      {"header-crc", Hex(header.HeaderCrc(), 4), true}};
  if (json) {
    std::vector<JsonMember> members = {{"file", JsonString(name)}};
    for (const auto& [field, value, text] : fields) {
      members.emplace_back(field, text ? JsonString(value) : value);
    }
    std::printf("%s\n", JsonObject(members).c_str());
    return;
  }
  std::printf("file: %s\n", platform::TerminalSafe(name).c_str());
  for (const auto& [field, value, text] : fields) std::printf("%s: %s\n", field, value.c_str());
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
  PrintHeader(name, records->Header, options.json);
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
