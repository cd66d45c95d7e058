// The phone window changing a folder that another program changes at the same time: its
// changes wait for the folder from the event loop (the window never blocks), go through
// once it is free, undo nothing the other program did, and give a clear alert when the
// folder stays held.

#include "support/HeldLock.h"
#include "support/PhoneTestSupport.h"

#include "library/FolderModel.h"
#include "phone/KVCustmPreview.h"

#include <QPushButton>
#include <QTest>

#include <cstdio>

namespace kavio::phone::test {
namespace {

namespace fs = std::filesystem;

class WindowBesideTool : public PhoneWindowTest {
protected:
    // Videos with records, made before the window opens.
    void videos(const std::string& prefix, int count)
    {
        std::vector<RecordPtr> records;
        for (int i = 0; i < count; ++i) {
            records.push_back(record(prefix + std::to_string(i)));
            writeFile(docs / (prefix + std::to_string(i) + ".mp4"), "video");
        }
        fileRecords(docs, records);
    }
    // The records of the folder as a new process reads them, by the file each names.
    std::map<std::string, MovieInfo> records() const
    {
        clearStoreCache();
        FolderModel model(docs);
        model.loadMp4Files();
        std::map<std::string, MovieInfo> byFile;
        for (const RecordPtr& r : *model.save_items())
            byFile[r->FILENAME.value_or("") + "." + r->EXTENSION.value_or("")] = *r;
        return byFile;
    }
    static bool eventually(const std::function<bool()>& done) { return QTest::qWaitFor(done, 5000); }
};

TEST_F(WindowBesideTool, AFolderHeldTooLongGivesTheBusyAlertAndChangesNothing)
{
    videos("a", 1);
    open();
    const std::string store = readFile(docs / kStoreFileName);
    kavio::test::HeldLock hung(docs);
    ASSERT_TRUE(hung.held());
    browser->removeEntry(entry("a0.mp4"));
    EXPECT_FALSE(alert()) << "the window went on at once, without waiting for the folder";
    EXPECT_TRUE(QTest::qWaitFor([&] { return alert() != nullptr; }, 4000));
    ASSERT_TRUE(alert());
    EXPECT_EQ(alert()->alertTitle(), kFolderBusyTitle);
    EXPECT_EQ(alert()->message(), kFolderBusy);
    EXPECT_TRUE(fs::exists(docs / "a0.mp4"));
    EXPECT_EQ(readFile(docs / kStoreFileName), store);
}

TEST_F(WindowBesideTool, ChangesWaitingForTheFolderGoThroughOnceItIsFree)
{
    videos("a", 2);
    open();
    kavio::test::HeldLock other(docs);
    browser->removeEntry(entry("a0.mp4"));
    browser->presentEditor({ImportKind::Link, {}, "https://example.com/live.m3u8"});
    settle();
    auto* nav = dynamic_cast<platform::NavigationController*>(window->rootViewController()->presentedViewController());
    auto* editor = nav ? dynamic_cast<KVCustmPreview*>(nav->topViewController()) : nullptr;
    ASSERT_TRUE(editor);
    editor->titleField()->setText("Live");
    editor->saveButton()->click();
    QTest::qWait(300);
    EXPECT_TRUE(fs::exists(docs / "a0.mp4"));
    EXPECT_FALSE(fs::exists(docs / "Live.mp4"));
    other.release();
    EXPECT_TRUE(eventually([&] { return !fs::exists(docs / "a0.mp4") && fs::exists(docs / "Live.mp4"); }));
    const auto byFile = records();
    EXPECT_FALSE(byFile.contains("a0.mp4"));
    ASSERT_TRUE(byFile.contains("Live.mp4"));
    EXPECT_EQ(byFile.at("Live.mp4").urlLink, "https://example.com/live.m3u8");
    EXPECT_FALSE(alert());
}

// The window removes and renames rows while a script adds links and renames other videos
// through kavio-store: every change of both is there afterwards.
TEST_F(WindowBesideTool, TheWindowsChangesBesideARunningToolUndoNothing)
{
    constexpr int kScript = 25, kWindow = 8;
    videos("s", kScript);
    videos("w", kWindow);
    open();
    const fs::path script = scratch / "script.sh";
    std::string lines;
    for (int i = 0; i < kScript; ++i) {
        const std::string tool = std::string(KAVIO_STORE_TOOL) + " ";
        lines += tool + "link '" + docs.string() + "' https://example.com/" + std::to_string(i) + " --title l" +
                 std::to_string(i) + " >/dev/null || echo failed\n";
        lines += tool + "rename '" + docs.string() + "' s" + std::to_string(i) + ".mp4 t" + std::to_string(i) +
                 " >/dev/null || echo failed\n";
    }
    writeFile(script, lines);
    FILE* running = ::popen(("sh '" + script.string() + "' 2>&1").c_str(), "r");
    ASSERT_TRUE(running);

    for (int i = 0; i < kWindow; ++i) {
        const std::string name = "w" + std::to_string(i) + ".mp4";
        browser->reloadContent();
        if (i % 2 == 0) {
            browser->removeEntry(entry(name)); // right click, Remove
            EXPECT_TRUE(eventually([&] { return !fs::exists(docs / name); })) << name;
        } else {
            browser->RenamecunstomText(entry(name));
            settle();
            ASSERT_TRUE(alert());
            alert()->textFields().at(0)->setText(QStringLiteral("x%1").arg(i));
            alert()->triggerAction(QStringLiteral("Rename"));
            EXPECT_TRUE(eventually([&] { return fs::exists(docs / ("x" + std::to_string(i) + ".mp4")); })) << name;
        }
        settle();
    }
    char line[256];
    while (std::fgets(line, sizeof line, running))
        ADD_FAILURE() << "the script: " << line;
    EXPECT_EQ(::pclose(running), 0);

    const auto byFile = records();
    for (int i = 0; i < kScript; ++i) {
        EXPECT_TRUE(byFile.contains("l" + std::to_string(i) + ".mp4")) << "the script's link " << i;
        EXPECT_TRUE(byFile.contains("t" + std::to_string(i) + ".mp4")) << "the script's rename " << i;
        EXPECT_FALSE(byFile.contains("s" + std::to_string(i) + ".mp4"));
    }
    for (int i = 0; i < kWindow; ++i) {
        EXPECT_FALSE(byFile.contains("w" + std::to_string(i) + ".mp4")) << "the window's change " << i;
        if (i % 2 == 1) {
            ASSERT_TRUE(byFile.contains("x" + std::to_string(i) + ".mp4")) << "the window's rename " << i;
            EXPECT_EQ(byFile.at("x" + std::to_string(i) + ".mp4").KEY, "kKVw" + std::to_string(i));
        }
    }
    EXPECT_EQ(byFile.size(), std::size_t(2 * kScript + kWindow / 2));
    EXPECT_FALSE(alert()) << "the folder was never held for two seconds";
}

} // namespace
} // namespace kavio::phone::test
