#include "app/qt/QtNotifySink.h"

#include <QMetaObject>
#include <utility>

namespace quorin {

QtNotifySink::QtNotifySink(std::function<void(const std::exception&)> onError, QObject* parent)
    : QObject(parent), onError_(std::move(onError)) {}

QtNotifySink::~QtNotifySink() {
  Shutdown();
}

void QtNotifySink::Shutdown() {
  accepting_.store(false);
}

bool QtNotifySink::Post(std::function<void()> task) {
  if (!accepting_.load()) return false;
  // Queued invocations on one receiver are delivered in the order they were posted.
  return QMetaObject::invokeMethod(
      this, [this, task = std::move(task)] { RunTask(task); }, Qt::QueuedConnection);
}

void QtNotifySink::RunTask(const std::function<void()>& task) {
  if (!accepting_.load()) return;
  try {
    task();
  } catch (const std::exception& error) {
    if (onError_) onError_(error);
  }
}

}  // namespace quorin
