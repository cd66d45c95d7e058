#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    const kavio::test::ScratchHome home;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
