#include "cli/FlashJson.h"

#include <cstdio>

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

}  // namespace

const char* FlashOutcomeWord(int exitCode) {
  switch (exitCode) {
    case kExitOk: return "programmed";
    case kExitBrokenPack: return "broken-pack";
    case kExitUnreadablePack: return "unusable-file";
    case kExitPortError: return "port-error";
    case kExitNotIdentified: return "no-answer";
    case kExitUnsuccessful: return "not-acknowledged";
    case kExitProgramFail: return "no-final-answer";
    case kExitForeignTarget: return "foreign-target";
    case kExitUsage: return "usage-error";
    case kExitInternalError: return "internal-error";
    case kExitInterrupted: return "interrupted";
    default: return "unknown";
  }
}

std::string FlashJson(const FlashSummary& summary) {
  char duration[32];
  std::snprintf(duration, sizeof duration, "%.3f", summary.DurationSeconds);
  std::string out = "{\"outcome\": " + JsonString(FlashOutcomeWord(summary.ExitCode));
  out += ", \"exit-code\": " + std::to_string(summary.ExitCode);
  out += ", \"pack\": " + JsonString(summary.Pack);
  out += ", \"version\": " + NumberOrNull(summary.Version);
  out += ", \"target\": " + NumberOrNull(summary.Target);
  out += ", \"data-length\": " + NumberOrNull(summary.DataLength);
  out += ", \"port\": " + StringOrNull(summary.Port);
  out += ", \"device\": " + StringOrNull(summary.Device);
  out += ", \"bytes-sent\": " + std::to_string(summary.BytesSent);
  out += ", \"groups-acknowledged\": " + std::to_string(summary.GroupsAcknowledged);
  out += ", \"duration\": ";
  out += duration;
  out += ", \"refused-settings\": ";
  if (const auto& refused = summary.RefusedSettings) {
    out += "{\"port\": " + JsonString(refused->Port);
    out += ", \"baud-rate\": " + std::to_string(refused->BaudRate);
    out += ", \"line-state\": " + StringOrNull(refused->LineState);
    out += ", \"time-outs\": " + StringOrNull(refused->Timeouts) + "}";
  } else {
    out += "null";
  }
  out += ", \"log\": [";
  for (std::size_t i = 0; i < summary.Log.size(); ++i) {
    if (i > 0) out += ", ";
    out += JsonString(summary.Log[i]);
  }
  return out + "]}";
}

}  // namespace quorin
