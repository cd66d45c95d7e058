#include "platform/base/Animated.h"
#include "platform/screens/Application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Also when CTest lists the tests at build time, outside the tests' environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    kavio::platform::Application app(argc, argv);
    kavio::platform::setAnimationsEnabled(false); // transitions complete at once
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
