#include "cli/FlashJson.h"

#include <cstdio>
#include <utility>

#include "cli/Commands.h"
#include "cli/JsonText.h"

namespace quorin {
namespace {

template <typename T>
std::string NumberOrNull(const std::optional<T>& value) {
  return value ? std::to_string(*value) : "null";
}

std::string StringOrNull(const std::optional<std::string>& value) {
  return value ? JsonString(*value) : "null";
}

const char* FlashOutcomeWord(int exitCode) {
  static constexpr std::pair<int, const char*> kWords[] = {{kExitOk, "programmed"},
                                                           {kExitBrokenPack, "broken-pack"},
                                                           {kExitUnreadablePack, "unusable-file"},
                                                           {kExitPortError, "port-error"},
                                                           {kExitNotIdentified, "no-answer"},
                                                           {kExitUnsuccessful, "not-acknowledged"},
                                                           {kExitProgramFail, "no-final-answer"},
                                                           {kExitForeignTarget, "foreign-target"},
                                                           {kExitUsage, "usage-error"},
                                                           {kExitInternalError, "internal-error"},
                                                           {kExitInterrupted, "interrupted"}};
  for (const auto& [code, word] : kWords) {
    if (code == exitCode) return word;
  }
  return "unknown";
}

}  // namespace

std::string FlashJson(const FlashSummary& summary) {
  char duration[32];
  std::snprintf(duration, sizeof duration, "%.3f", summary.DurationSeconds);
  std::string refused = "null";
  if (const auto& note = summary.RefusedSettings) {
    refused = JsonObject({{"port", JsonString(note->Port)},
                          {"baud-rate", std::to_string(note->BaudRate)},
                          {"line-state", StringOrNull(note->LineState)},
                          {"time-outs", StringOrNull(note->Timeouts)}});
  }
  return JsonObject({{"outcome", JsonString(FlashOutcomeWord(summary.ExitCode))},
                     {"exit-code", std::to_string(summary.ExitCode)},
                     {"pack", JsonString(summary.Pack)},
                     {"version", NumberOrNull(summary.Version)},
                     {"target", NumberOrNull(summary.Target)},
                     {"data-length", NumberOrNull(summary.DataLength)},
                     {"port", StringOrNull(summary.Port)},
                     {"device", StringOrNull(summary.Device)},
                     {"bytes-sent", std::to_string(summary.BytesSent)},
                     {"groups-acknowledged", std::to_string(summary.GroupsAcknowledged)},
                     {"duration", duration},
                     {"refused-settings", refused},
                     {"log", JsonArray(summary.Log, JsonString)}});
}

}  // namespace quorin
