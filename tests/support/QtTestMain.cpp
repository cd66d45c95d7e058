// One real application object, so the notification wiring tested is the program's own.

#include "support/ScopedEnv.h"

#include "platform/base/Animated.h"
#include "platform/screens/Application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Test discovery runs this binary outside CTest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef KAVIO_TEST_PLATFORM
    // A binary that needs particular screens brings them: offscreen, with a screen list.
    qputenv("QT_QPA_PLATFORM", KAVIO_TEST_PLATFORM);
#endif
    const kavio::test::ScratchHome home;
    ::testing::InitGoogleTest(&argc, argv);
    kavio::platform::Application app(argc, argv);
    kavio::platform::setAnimationsEnabled(false);
    return RUN_ALL_TESTS();
}
