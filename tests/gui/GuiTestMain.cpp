// The widget tests run on the offscreen platform with a real QApplication and event loop.
#include <gtest/gtest.h>

#include <QByteArray>

#include "app/qt/IapApplication.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  quorin::IapApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
