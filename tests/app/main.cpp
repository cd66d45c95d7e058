#include "platform/Animated.h"
#include "platform/Application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    kavio::platform::Application app(argc, argv);
    kavio::platform::setAnimationsEnabled(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
