#include "comm/CommErrors.h"

namespace quorin {

const char* CommsErrorText(OpenFailure failure) {
  switch (failure) {
    case OpenFailure::AlreadyOpen: return "此串口已经打开";
    case OpenFailure::OpenDevice: return "打开串口出错\r\n此串口不存在或被占用";
    case OpenFailure::Buffers: return "初始化缓冲区出错";
    case OpenFailure::StopSignal: return "无法创建事件";
    case OpenFailure::ReaderThread: return "无法创建读线程";
    case OpenFailure::WriterThread: return "无法创建写线程";
  }
  return "打开串口出错";
}

ECommsError MakeCommsError(OpenFailure failure, std::error_code reason) {
  // The device was opened; what failed afterwards to be created belongs to this program.
  const bool inProgram = failure == OpenFailure::StopSignal ||
                         failure == OpenFailure::ReaderThread ||
                         failure == OpenFailure::WriterThread;
  return ECommsError(CommsErrorText(failure), reason, inProgram);
}

}  // namespace quorin
