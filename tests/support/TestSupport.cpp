#include "support/TestSupport.h"

#include "library/FolderChange.h"
#include "library/FolderModel.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>

namespace kavio::test {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

MovieInfo makeRecord(const std::string& title, const std::string& key, const std::string& extension)
{
    MovieInfo r;
    r.FILENAME = title;
    r.ARTIST = "Artist of " + title;
    r.EXTENSION = extension;
    r.KEY = key;
    r.urlLink = "";
    return r;
}

std::string run(const std::string& command, int* exitCode)
{
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        if (exitCode)
            *exitCode = -1;
        return out;
    }
    std::array<char, 4096> buf{};
    while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe))
        out.append(buf.data(), n);
    const int status = ::pclose(pipe);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

bool havePython()
{
    int code = 0;
    run("python3 -c 'import plistlib' 2>/dev/null", &code);
    return code == 0;
}

std::string peerScript()
{
    return std::string(KAVIO_TEST_SOURCE_DIR) + "/plistlib_peer.py";
}

RecordPtr record(const std::string& title, const std::string& extension, const std::string& url)
{
    auto r = std::make_shared<MovieInfo>();
    r->FILENAME = title;
    r->ARTIST = "by " + title;
    r->EXTENSION = extension;
    r->urlLink = url;
    r->KEY = "kKV" + title;
    QImage image(60, 40, QImage::Format_RGB32); // a real thumbnail, its hue from the title
    image.fill(QColor::fromHsv(static_cast<int>(title.size() * 40 % 360), 200, 200));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    r->imgData = plist::Bytes(png.toStdString());
    return r;
}

void fileRecords(const std::filesystem::path& folder, const std::vector<RecordPtr>& records)
{
    std::filesystem::create_directories(folder);
    FolderModel model(folder);
    for (const RecordPtr& r : records) { // one change each, as the editor files them
        Result<FolderChange> change = FolderChange::begin(model, std::chrono::milliseconds(0));
        ASSERT_TRUE(change) << change.status().toString();
        change->saveMovieModules(*r);
        EXPECT_TRUE(change->commit().isOk());
    }
}

fs::path fixturesDir()
{
    return fs::path(KAVIO_FIXTURES_DIR);
}

} // namespace kavio::test
