// The platform tests share one application object, the real one, so the notification
// wiring under test is the one the program uses. Animations are off unless a test turns
// them on to watch one run.

#include "platform/Animated.h"
#include "platform/Application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Test discovery runs this binary outside CTest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    kavio::platform::Application app(argc, argv);
    kavio::platform::setAnimationsEnabled(false);
    return RUN_ALL_TESTS();
}
