#pragma once
// Another program holding a device: a forked child that opens `path`, takes the exclusive lock the
// serial backend takes (flock; TIOCEXCL too where the device has it), names itself `name` and
// keeps it all until the object goes. POSIX only.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "tests/support/WaitChild.h"

namespace quorin::support {

class HolderChild {
 public:
  HolderChild(const std::string& path, const char* name) {
    int ready[2];
    int release[2];
    if (::pipe2(ready, O_CLOEXEC) != 0 || ::pipe2(release, O_CLOEXEC) != 0) {
      throw std::runtime_error("pipe");
    }
    pid_ = ::fork();
    if (pid_ == 0) {  // only system calls from here: the parent may have other threads
      ::close(ready[0]);
      ::close(release[1]);
      const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
      if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) ::_exit(1);
      ::ioctl(fd, TIOCEXCL);
      ::prctl(PR_SET_NAME, name);
      char byte = 1;
      (void)!::write(ready[1], &byte, 1);
      (void)!::read(release[0], &byte, 1);  // until the parent closes its end (or dies)
      ::ioctl(fd, TIOCNXCL);
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    pollfd wait{ready[0], POLLIN, 0};
    char byte = 0;
    held_ = ::poll(&wait, 1, 5000) == 1 && ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
  }
  ~HolderChild() {
    ::close(release_);
    WaitChild(pid_, std::chrono::seconds(5));
  }
  HolderChild(const HolderChild&) = delete;
  HolderChild& operator=(const HolderChild&) = delete;

  // True once the child holds the device.
  bool Held() const { return held_; }
  pid_t Pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool held_ = false;
};

}  // namespace quorin::support
