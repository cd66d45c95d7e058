// The desktop's link opener against stand-ins for xdg-open: a program that took the link,
// none set up, one that stays in the foreground, and no xdg-open at all.

#include "platform/base/UrlOpener.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

#include <sys/stat.h>

namespace kavio::platform {
namespace {

class DesktopOpener : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bin.isValid());
        if (const char* path = std::getenv("PATH"))
            savedPath = path;
        ::setenv("PATH", bin.path().toLocal8Bit().constData(), 1);
    }
    void TearDown() override { ::setenv("PATH", savedPath.c_str(), 1); }

    void xdgOpen(const std::string& body)
    {
        const std::string file = bin.filePath(QStringLiteral("xdg-open")).toStdString();
        std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
        ::chmod(file.c_str(), 0755);
    }
    std::optional<UrlOpenResult> open()
    {
        std::optional<UrlOpenResult> answer;
        makeDesktopUrlOpener()->open(QUrl(QStringLiteral("https://example.com/donate")),
                                     [&](UrlOpenResult result) { answer = result; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
        return answer;
    }

    QTemporaryDir bin;
    std::string savedPath;
};

TEST_F(DesktopOpener, TheExitStatusOfXdgOpenTellsWhetherAProgramTookTheLink)
{
    ::unsetenv("BROWSER");
    ::unsetenv("DEFAULT_BROWSER");
    EXPECT_EQ(open(), UrlOpenResult::NoProgram) << "no xdg-open, no browser";
    xdgOpen("exit 0");
    EXPECT_EQ(open(), UrlOpenResult::Opened);
    xdgOpen("exit 3"); // xdg-open: no tool to open it
    EXPECT_EQ(open(), UrlOpenResult::NoProgram);
    xdgOpen("exec /bin/sleep 30"); // a browser started in the foreground
    EXPECT_EQ(open(), UrlOpenResult::Opened);
}

} // namespace
} // namespace kavio::platform
