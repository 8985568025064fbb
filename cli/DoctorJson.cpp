#include "cli/DoctorJson.h"

#include "cli/JsonText.h"

namespace quorin {

std::string DoctorJson(const DoctorResult& result) {
  std::string out = "{\"adapters\": [";
  for (std::size_t i = 0; i < result.Adapters.size(); ++i) {
    const DoctorAdapter& adapter = result.Adapters[i];
    out += i > 0 ? ", " : "";
    out +=
        "{\"port\": " + JsonString(adapter.Port) + ", \"device\": " + JsonString(adapter.Device) +
        ", \"usb-id\": " + JsonString(adapter.UsbId) + ", \"chip\": " + JsonString(adapter.Chip) +
        ", \"driver\": " + JsonString(adapter.Driver) +
        ", \"description\": " + JsonString(adapter.Description) + "}";
  }
  out += "], \"findings\": [";
  for (std::size_t i = 0; i < result.Findings.size(); ++i) {
    const Finding& finding = result.Findings[i];
    out += i > 0 ? ", " : "";
    out += "{\"check\": " + JsonString(finding.Check) +
           ", \"severity\": " + JsonString(SeverityName(finding.Level)) +
           ", \"text\": " + JsonString(finding.Text) +
           ", \"action\": " + JsonString(finding.Action) + "}";
  }
  return out + "]}";
}

}  // namespace quorin
