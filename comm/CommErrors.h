#pragma once
// The one place where a failure of OpenPort becomes the component's ECommsError text.
#include <system_error>

#include "comm/TComm.h"

namespace quorin {

// The step of OpenPort that failed.
enum class OpenFailure {
  AlreadyOpen,   // "此串口已经打开"
  OpenDevice,    // "打开串口出错" CR LF "此串口不存在或被占用"
  Buffers,       // "初始化缓冲区出错" (the device is no serial line)
  StopSignal,    // "无法创建事件"
  ReaderThread,  // "无法创建读线程"
  WriterThread,  // "无法创建写线程"
};

// The component's text for `failure`, UTF-8, letter for letter. Any thread.
const char* CommsErrorText(OpenFailure failure);

// The exception OpenPort raises for `failure`, keeping the system's `reason` (ENOENT, EACCES,
// EBUSY, ENOTTY, ...) for callers that explain what to do; the stop signal and the threads are
// failures in the program (ECommsError::InProgram). Any thread.
ECommsError MakeCommsError(OpenFailure failure, std::error_code reason = {});

}  // namespace quorin
