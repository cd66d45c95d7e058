#include "support/ScopedEnv.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    const kavio::test::ScratchHome home;
    QCoreApplication app(argc, argv); // image format plugins load through the application
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
