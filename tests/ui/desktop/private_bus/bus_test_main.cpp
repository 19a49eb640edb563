// The main of the tests that drive the program over a session bus of their own: the client's
// side of the bus needs a Qt application; the program itself runs as a process of its own.
#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  QCoreApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
