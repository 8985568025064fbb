#include "iap/PackJudgement.h"

#include "iap/Messages.h"

namespace quorin {

PackVerdict JudgePack(bool loaded, const PackHeader& header) {
  if (!loaded) return PackVerdict::Broken;
  return header.TargetCode() == kOwnTargetCode ? PackVerdict::Good : PackVerdict::ForeignTarget;
}

const char* UpdateKindText(std::uint8_t updateKind) {
  return updateKind == kUpdateKindSoftwareAndSettings ? text::kUpdateSoftwareAndSettings
                                                      : text::kUpdateSoftwareOnly;
}

}  // namespace quorin
