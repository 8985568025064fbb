#include "sim/InProcessController.h"

#include <utility>

#include "sim/ControllerLine.h"

namespace quorin::sim {

InProcessController::InProcessController(SimOptions options)
    : controller_(std::move(options), MakeLoopbackLine(line_)) {
  controller_.Start();
}

}  // namespace quorin::sim
