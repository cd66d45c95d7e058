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
    QStringList lines = text.split(u'\n');
    ASSERT_EQ(lines.size(), 9) << "and no line break at the end";
    EXPECT_TRUE(lines[2].startsWith("Developer: Morvel(https://") && lines[2].endsWith(") "));
    lines[2] = "developer";
    EXPECT_EQ(lines, (QStringList{"Kavio v2.0.1 ", "Download:https://github.com/kavio-app/kavio/releases/", "developer", "",
                                  "ThinkPad T14 on Debian GNU/Linux 12 (bookworm) Working!! ", "", "#Kavio ", "#Linux", "#CarPlay"}));
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
    EXPECT_EQ(sections[0].rows[1].action, SupportAction::OpenDonationPage);
    EXPECT_EQ(sections[1].rows[0].kind, SupportRowKind::RightHandDrive);
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
    EXPECT_TRUE(sections[3].footer.split(u'\n').at(0).contains("2023-2023"));
}

} // namespace
} // namespace kavio::shell
