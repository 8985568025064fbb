#pragma once
// The job's end of an in-memory loopback line (platform/LoopbackLine.h) as a SerialDevice, so a
// job can talk to the simulated controller on every platform, pseudo-terminal or not. It keeps
// the whole SerialDevice contract: the read and write time-outs (the 0xFFFFFFFF modes included),
// the stop signal in every wait, Purge, and Gone once the controller's end has gone (the line was
// cut). ApplyLineState records the baud rate on the line; the rest of the line state, the driver
// queue sizes and line events have no meaning in memory. The queues hold 4096 bytes each way.
#include <memory>
#include <string>
#include <system_error>

#include "comm/SerialDevice.h"
#include "platform/LoopbackLine.h"

namespace quorin {

// Plugs in the job's end of `line`. Null with `error` set: EBUSY when that end is open already
// (another port holds it), ENOENT when the line was cut. The device unplugs the end when it is
// destroyed. Any thread.
std::unique_ptr<SerialDevice> OpenLoopbackDevice(
    const std::shared_ptr<platform::LoopbackLine>& line, std::error_code& error);

// An opener that opens the job's end of `line`, whatever name the port was given.
SerialDeviceOpener LoopbackOpener(std::shared_ptr<platform::LoopbackLine> line);

}  // namespace quorin
