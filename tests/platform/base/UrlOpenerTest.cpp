// The desktop's link opener against stand-ins for xdg-open: a program that took the link,
// none set up, one that stays in the foreground, and no xdg-open at all.

#include "support/ScopedEnv.h"

#include "platform/base/UrlOpener.h"

#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include <sys/stat.h>

namespace kavio::platform {
namespace {

std::optional<UrlOpenResult> openLink()
{
    std::optional<UrlOpenResult> answer;
    makeDesktopUrlOpener()->open(QUrl(QStringLiteral("https://example.com/donate")),
                                 [&](UrlOpenResult result) { answer = result; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
    return answer;
}

TEST(DesktopOpener, TheExitStatusOfXdgOpenTellsWhetherAProgramTookTheLink)
{
    const kavio::test::ScratchFolder bin;
    const kavio::test::ScopedEnv env{
        {"PATH", bin.path().string()}, {"BROWSER", std::nullopt}, {"DEFAULT_BROWSER", std::nullopt}};
    EXPECT_EQ(openLink(), UrlOpenResult::NoProgram) << "no xdg-open, no browser";
    const std::pair<const char*, UrlOpenResult> rows[] = {
        {"exit 0", UrlOpenResult::Opened},
        {"exit 3", UrlOpenResult::NoProgram},          // xdg-open: no tool to open it
        {"exec /bin/sleep 30", UrlOpenResult::Opened}, // a browser started in the foreground
    };
    const std::string xdgOpen = (bin / "xdg-open").string();
    for (const auto& [body, result] : rows) {
        std::ofstream(xdgOpen) << "#!/bin/sh\n" << body << "\n";
        ::chmod(xdgOpen.c_str(), 0755);
        EXPECT_EQ(openLink(), result) << body;
    }
}

} // namespace
} // namespace kavio::platform
