#pragma once
// EInOutError: the pack loader's run-time file I/O error.
#include <stdexcept>
#include <string>

namespace quorin {

// The I/O code and its text ("File not found", "Read beyond end of file", ...).
class EInOutError : public std::runtime_error {
 public:
  EInOutError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

}  // namespace quorin
