#pragma once
// A scratch Documents folder with its trash and Kavio's state beside it, and what a fresh
// process reads of it: shared by the phone's tests on real folders.

#include "support/TestSupport.h"

#include "library/FolderModel.h"
#include "phone/FileOperations.h"

#include <QBuffer>
#include <QColor>
#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <map>
#include <sys/resource.h>

namespace kavio::phone::test {

namespace fs = std::filesystem;
using kavio::test::fileRecords;
using kavio::test::readFile;
using kavio::test::record;
using kavio::test::writeFile;

inline std::string quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

inline std::string picture(const QColor& colour, int width = 32, int height = 20, const char* format = "PNG")
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

inline std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The records a model holds, by the file each names.
inline std::map<std::string, MovieInfo> recordsByFile(const FolderModel& model)
{
    std::map<std::string, MovieInfo> byFile;
    for (const RecordPtr& r : *model.save_items())
        byFile[r->FILENAME.value_or("") + "." + r->EXTENSION.value_or("")] = *r;
    return byFile;
}

// The records of a folder as a new process reads them.
inline std::map<std::string, MovieInfo> recordsAtNextLoad(const fs::path& folder)
{
    clearStoreCache();
    FolderModel model(folder);
    model.loadMp4Files();
    return recordsByFile(model);
}

// Runs work with every file it writes limited to `bytes`: the disk is full there, whoever
// runs the test.
inline void withDiskFullAfter(rlim_t bytes, const std::function<void()>& work)
{
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit lower = saved;
    lower.rlim_cur = bytes;
    const sighandler_t previous = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &lower);
    work();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, previous);
}

class FolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(docs);
        fs::create_directories(scratch / "home");
    }

    // The folder freshly loaded, as an action finds it.
    FolderModel& model()
    {
        model_ = std::make_unique<FolderModel>(docs);
        model_->reloadContent();
        return *model_;
    }
    EntryRef ref(const std::string& name)
    {
        std::optional<EntryRef> found = entryRefNamed(model(), name);
        EXPECT_TRUE(found) << name;
        return found.value_or(EntryRef{name, EntryKind::Video, std::nullopt});
    }
    std::map<std::string, MovieInfo> records() { return recordsByFile(model()); }
    std::string store(const fs::path& folder = {}) const
    {
        const fs::path file = (folder.empty() ? docs : folder) / kStoreFileName;
        return fs::exists(file) ? readFile(file) : "";
    }
    bool trashed(const fs::path& name) const { return fs::exists(fs::symlink_status(trash() / name)); }
    fs::path trash() const { return scratch / "data" / "Trash" / "files"; }

    kavio::test::ScratchFolder scratch;
    const kavio::test::ScopedEnv home{{"HOME", (scratch / "home").string()},
                                      {"XDG_DATA_HOME", (scratch / "data").string()},
                                      {"XDG_STATE_HOME", (scratch / "state").string()}};
    const fs::path docs = scratch / "Documents";

private:
    std::unique_ptr<FolderModel> model_;
};

} // namespace kavio::phone::test
