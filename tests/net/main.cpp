#include <QCoreApplication>
#include <gtest/gtest.h>

// The network tests need an event loop and nothing of the toolkit.
int main(int argc, char** argv)
{
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
