// The shell's decisions without a display: the update verdict, the share text, the model
// names and the support table.

#include "support/ScopedEnv.h"

#include "shell/ModelNames.h"
#include "shell/ShareText.h"
#include "shell/SupportTable.h"
#include "shell/UpdateCheck.h"

#include <gtest/gtest.h>

namespace kavio::shell {
namespace {

using Kind = UpdateVerdict::Kind;

TEST(UpdateVerdictTest, AnyDifferenceFromVAndTheRunningVersionIsAnUpdateAndEveryFailureIsSilence)
{
    struct Row {
        std::optional<QByteArray> body;
        Kind kind;
        QString tag;
    };
    const std::vector<Row> rows = {
        {QByteArray(R"({"tag_name":"v1.2"})"), Kind::UpToDate, {}},
        {QByteArray(R"({"tag_name":"v1.3","name":"x"})"), Kind::Update, "v1.3"},
        {QByteArray(R"({"tag_name":"1.2"})"), Kind::Update, "1.2"},
        {QByteArray(R"({"tag_name":"V1.2"})"), Kind::Update, "V1.2"},
        {QByteArray(R"({"tag_name":"v1.1"})"), Kind::Update, "v1.1"},
        {QByteArray(R"({"tag_name":" v1.2"})"), Kind::Update, " v1.2"},
        {QByteArray(R"({"message":"API rate limit exceeded","documentation_url":"x"})"), Kind::NoAnswer, {}},
        {QByteArray(R"({"tag_name":12})"), Kind::NoAnswer, {}},
        {QByteArray(R"([{"tag_name":"v9"}])"), Kind::NoAnswer, {}},
        {QByteArray(""), Kind::NoAnswer, {}},
        {QByteArray("<html>"), Kind::NoAnswer, {}},
        {std::nullopt, Kind::NoAnswer, {}},
    };
    for (const Row& row : rows) {
        const UpdateVerdict verdict = updateVerdict(row.body, QStringLiteral("1.2"));
        EXPECT_EQ(verdict.kind, row.kind) << row.body.value_or("<none>").toStdString();
        EXPECT_EQ(verdict.tag, row.tag);
    }
    EXPECT_EQ(verdictLine({Kind::Update, "v1.3"}), "update: v1.3");
    EXPECT_EQ(verdictLine({Kind::Update, QStringLiteral("v2\x1b[2J\u009b1m\u202e")}), "update: v2\\x1b[2J\\u009b1m\\u202e");
    EXPECT_EQ(verdictLine({Kind::UpToDate, {}}), "up to date");
    EXPECT_EQ(verdictLine({}), "no answer");
}

TEST(UpdateVerdictTest, TheRequestGoesToTheConfiguredApi)
{
    {
        const kavio::test::ScopedEnv api{{"KAVIO_RELEASES_API", "http://127.0.0.1:8080/"}};
        EXPECT_EQ(latestReleaseApiUrl().toString(), "http://127.0.0.1:8080/repos/kavio-app/kavio/releases/latest");
    }
    const kavio::test::ScopedEnv noApi{{"KAVIO_RELEASES_API", std::nullopt}};
    EXPECT_EQ(latestReleaseApiUrl().toString(), "https://api.github.com/repos/kavio-app/kavio/releases/latest");
    EXPECT_EQ(latestReleasePage().toString(), "https://github.com/kavio-app/kavio/releases/latest");
}

TEST(ShareTextTest, NineLinesWithTheirBlanksTheRunningVersionAndThisMachine)
{
    const QString text = shareText(QStringLiteral("2.0.1"), QStringLiteral("ThinkPad T14"),
                                   QStringLiteral("Debian GNU/Linux 12 (bookworm)"));
    const QStringList lines = text.split(u'\n');
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[0], "Kavio v2.0.1 ");
    EXPECT_EQ(lines[1], "Download:https://github.com/kavio-app/kavio/releases/");
    EXPECT_TRUE(lines[2].startsWith("Developer: Morvel(https://") && lines[2].endsWith(") "));
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "ThinkPad T14 on Debian GNU/Linux 12 (bookworm) Working!! ");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(lines[6], "#Kavio ");
    EXPECT_EQ(lines[7], "#Linux");
    EXPECT_EQ(lines[8], "#CarPlay");
    EXPECT_FALSE(text.endsWith(u'\n'));
}

TEST(ModelNamesTest, ExactCaseSensitiveLookupWithUnknownForTheRest)
{
    const std::vector<std::pair<const char*, const char*>> rows = {
        {"iPhone13,3", "iPhone 12 Pro"}, {"iPhone14,6", "iPhone SE 2nd"}, {"iPhone12,8", "iPhone SE 2nd"},
        {"iPhone13,1", "iPhone 12 mini"}, {"iPhone14,4", "iPhone 13 Mini"}, {"iPhone8,1", "iPhone 6S"},
        {"iPhone8,2", "iPhone 6S Plus"}, {"iPhone15,3", "iPhone 14 Pro Max"}, {"iPhone6,1", "iPhone 5s"},
        {"iPhone15,4", "Unknown"}, {"iphone13,3", "Unknown"}, {"iPad13,1", "Unknown"}, {"x86_64", "Unknown"},
        {"arm64", "Unknown"}, {"", "Unknown"},
    };
    for (const auto& [id, name] : rows)
        EXPECT_EQ(modelNameFor(id), name) << id;
}

TEST(SupportTableTest, FourSectionsTheirRowsAndTheRightsYears)
{
    const std::vector<SupportSection> sections = supportSections(2023);
    ASSERT_EQ(sections.size(), 4u);
    std::vector<std::size_t> counts;
    for (const SupportSection& s : sections)
        counts.push_back(s.rows.size());
    EXPECT_EQ(counts, (std::vector<std::size_t>{2, 2, 2, 3}));
    EXPECT_EQ(sections[0].rows[0].height, 80);
    EXPECT_EQ(sections[0].rows[1].action, SupportAction::OpenDonationPage);
    EXPECT_EQ(sections[1].rows[0].kind, SupportRowKind::RightHandDrive);
    EXPECT_EQ(sections[1].rows[1].title, "Continue playing when the car starts");
    EXPECT_EQ(sections[2].rows[1].title, "Kavio");
    // Nothing a person reads there states what only holds on a phone.
    for (const SupportSection& section : sections) {
        QStringList texts{section.header, section.footer};
        for (const SupportRow& row : section.rows)
            texts << row.title << row.subtitle;
        for (const QString& text : texts) {
            for (const char* phoneOnly : {"iOS", "TrollStore", "IPA", "CarPlay", "music"})
                EXPECT_FALSE(text.contains(QLatin1String(phoneOnly))) << text.toStdString();
        }
    }
    const QStringList footer = sections[3].footer.split(u'\n');
    ASSERT_EQ(footer.size(), 4);
    EXPECT_TRUE(footer[0].contains("2023-2023"));
    EXPECT_EQ(footer[1], "");
    EXPECT_EQ(footer[2], "Runs on Linux with Qt 6.4 or later🎉");
    EXPECT_EQ(footer[3], "Thanks Qt and GStreamer😎");
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(sections[i].footer.isEmpty());
}

} // namespace
} // namespace kavio::shell
