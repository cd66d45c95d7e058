// The list tests share one offscreen application; animations are off unless a test
// turns them on to watch one run.

#include "platform/Animated.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Test discovery runs this binary outside CTest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    kavio::platform::setAnimationsEnabled(false);
    return RUN_ALL_TESTS();
}
