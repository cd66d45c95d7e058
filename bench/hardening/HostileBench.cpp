// Time and peak memory to load a folder holding each hostile file, one fresh process per
// case (so peak RSS is that load's own), against an empty folder as the baseline.
//   kavio_hardening_bench [WORKDIR]        builds the cases, runs each, prints a table
//   kavio_hardening_bench --load DIR [--as-nobody]   one load (used by the above)

#include "library/FolderModel.h"
#include "library/RowContent.h"
#include "library/archive/KeyedArchive.h"
#include "library/plist/Codec.h"
#include "support/Scratch.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace kavio;
using plist::Value;
using plist::ValuePtr;

void writeFile(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

ValuePtr str(std::string s) { return Value::makeString(std::move(s)); }

std::string record(const std::string& title, const std::string& key)
{
    MovieInfo r;
    r.FILENAME = title;
    r.ARTIST = "Artist";
    r.EXTENSION = "mp4";
    r.KEY = key;
    r.imgData = plist::Bytes(std::string(30 * 1024, 'p'));
    return encodeMovieInfo(r);
}

std::string store(const std::vector<std::string>& archives)
{
    StoreDictionary dict;
    for (std::size_t i = 0; i < archives.size(); ++i)
        dict["kKV" + std::to_string(20240101000000 + i)] = Value::makeArray({Value::makeData(plist::Bytes(archives[i]))});
    return serializeStore(dict);
}

std::string archiveWith(ValuePtr extra, std::string title = "hostile")
{
    return archive::writeArchive({
        str("$null"),
        Value::makeDictionary({{"$class", Value::makeUid(3)}, {"FILENAME", Value::makeUid(2)}, {"extra", Value::makeUid(4)}}),
        str(std::move(title)),
        Value::makeDictionary({{"$classname", str("MovieInfo")}}),
        std::move(extra),
    });
}

ValuePtr fanOut(int levels)
{
    ValuePtr v = Value::makeInteger(1);
    for (int i = 0; i < levels; ++i)
        v = Value::makeArray({v, v});
    return v;
}

std::string binaryClaimingObjects(std::uint64_t count)
{
    std::string b = "bplist00";
    b.push_back('\x08'); // false
    b.push_back('\x08'); // the offset table: one one-byte offset
    std::string trailer(32, '\0');
    trailer[6] = 1; // offset size
    trailer[7] = 8; // reference size
    for (int i = 0; i < 8; ++i) {
        trailer[8 + i] = static_cast<char>(count >> (56 - 8 * i));
        trailer[31 - i] = static_cast<char>(i == 0 ? 9 : 0); // offset table at byte 9
    }
    return b + trailer;
}

struct Case {
    const char* name;
    std::function<void(const fs::path& folder)> make;
    bool asNobody = false;
};

std::vector<Case> cases(const fs::path& work)
{
    const fs::path elsewhere = work / "elsewhere";
    fs::create_directories(elsewhere);
    writeFile(elsewhere / kStoreFileName, store({record("a", "kKV1"), record("b", "kKV2")}));
    auto at = [](const fs::path& f) { return f / kStoreFileName; };
    return {
        {"empty folder (baseline)", [](const fs::path&) {}},
        {"store: 10 records of 30 KB", [&](const fs::path& f) {
             std::vector<std::string> a;
             for (int i = 0; i < 10; ++i) a.push_back(record("clip" + std::to_string(i), "kKV" + std::to_string(i)));
             writeFile(at(f), store(a));
         }},
        {"symlink to a valid store", [=](const fs::path& f) { fs::create_symlink(elsewhere / kStoreFileName, at(f)); }},
        {"symlink to /dev/zero", [=](const fs::path& f) { fs::create_symlink("/dev/zero", at(f)); }},
        {"dangling symlink", [=](const fs::path& f) { fs::create_symlink(elsewhere / "gone", at(f)); }},
        {"symlink loop", [=](const fs::path& f) {
             fs::create_symlink(f / "loop", at(f));
             fs::create_symlink(at(f), f / "loop");
         }},
        {"directory", [=](const fs::path& f) { fs::create_directory(at(f)); }},
        {"FIFO", [=](const fs::path& f) { ::mkfifo(at(f).c_str(), 0644); }},
        {"2 GB sparse file", [=](const fs::path& f) {
             writeFile(at(f), "<?xml version=\"1.0\"?>");
             fs::resize_file(at(f), 2ull << 30);
         }},
        {"255 MB sparse file (under the limit)", [=](const fs::path& f) {
             writeFile(at(f), "<?xml version=\"1.0\"?>\n<plist version=\"1.0\"><dict>");
             fs::resize_file(at(f), 255ull << 20);
         }},
        {"255 MB sparse binary file (under the limit)", [=](const fs::path& f) {
             writeFile(at(f), "bplist00");
             fs::resize_file(at(f), 255ull << 20);
         }},
        {"store nobody may read", [=](const fs::path& f) {
             writeFile(at(f), store({record("a", "kKV1")}));
             fs::permissions(at(f), fs::perms::none);
             fs::permissions(f, fs::perms::all);
         }, true},
        {"4 KB of garbage", [=](const fs::path& f) { writeFile(at(f), std::string(4096, '\xff')); }},
        {"XML nested 100,000 deep", [=](const fs::path& f) {
             std::string x = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
             for (int i = 0; i < 100000; ++i) x += "<array>";
             writeFile(at(f), x);
         }},
        {"XML entity declarations", [=](const fs::path& f) {
             writeFile(at(f), "<?xml version=\"1.0\"?><!DOCTYPE plist [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                              "<plist version=\"1.0\"><dict><key>k</key><string>&b;&b;&b;</string></dict></plist>");
         }},
        {"binary store, 2^30 shared nodes", [=](const fs::path& f) {
             writeFile(at(f), plist::writeBinary(*Value::makeDictionary({{"kKV1", fanOut(30)}})));
         }},
        {"binary claiming 2^60 objects", [=](const fs::path& f) { writeFile(at(f), binaryClaimingObjects(1ull << 60)); }},
        {"record past the object limit", [=](const fs::path& f) {
             plist::Array items;
             for (std::int64_t i = 0; i <= std::int64_t(plist::Limits::archive().maxObjects); ++i)
                 items.push_back(Value::makeInteger(i + 1000));
             writeFile(at(f), store({record("a", "kKV1"), archiveWith(Value::makeArray(std::move(items)))}));
         }},
        {"record past the expanded-node limit", [=](const fs::path& f) {
             writeFile(at(f), store({record("a", "kKV1"), archiveWith(fanOut(40))}));
         }},
        {"record nested past the depth limit", [=](const fs::path& f) {
             ValuePtr v = Value::makeInteger(1);
             for (int i = 0; i < 70; ++i) v = Value::makeArray({v});
             writeFile(at(f), store({record("a", "kKV1"), archiveWith(v)}));
         }},
        {"100 invalid UTF-8 names", [=](const fs::path& f) {
             for (int i = 0; i < 100; ++i) writeFile(f / ("\xFF\xFE" + std::to_string(i) + "\xC3.mp4"), "v");
         }},
        {"1,000 names of 255 bytes", [=](const fs::path& f) {
             for (int i = 0; i < 1000; ++i) {
                 std::string n = std::to_string(i) + "-";
                 writeFile(f / (n + std::string(251 - n.size(), 'n') + ".mp4"), "v");
             }
         }},
        {"100,000 entries", [=](const fs::path& f) {
             for (int i = 0; i < 100000; ++i) {
                 const fs::path base = f / (".base" + std::to_string(i / 50000));
                 if (i % 50000 == 0) writeFile(base, "");
                 ::link(base.c_str(), (f / ("v" + std::to_string(i) + ".mp4")).c_str());
             }
         }},
    };
}

// This process's peak resident memory: VmHWM belongs to the image exec started, unlike
// ru_maxrss, which keeps the forking parent's peak.
long peakKb()
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

// One load as a browser does it: store, listing, every row. Prints ms, peak, rows, status.
int loadOnce(const fs::path& folder, bool asNobody)
{
    if (asNobody && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0))
        return 3;
    const auto start = std::chrono::steady_clock::now();
    FolderModel model(folder);
    model.reloadContent();
    std::size_t rows = 0;
    for (const FolderEntry& e : model.dirCon())
        rows += !rowContent(e, *model.save_items()).title.isEmpty();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::string status = model.prefsDict() ? "loaded" : "refused";
    if (!model.storeStatus().isOk())
        status += " (" + model.storeStatus().toString().substr(0, 40) + ")";
    else if (model.skippedRecords())
        status += ", " + std::to_string(model.save_items()->size()) + " records, " + std::to_string(model.skippedRecords()) + " skipped";
    std::printf("%.3f\t%ld\t%zu\t%s\n", ms, peakKb(), rows, status.c_str());
    return 0;
}

struct Measured {
    double ms = -1;
    long peakKb = 0;
    std::string line;
};

Measured measure(const char* self, const fs::path& folder, bool asNobody)
{
    int out[2];
    if (::pipe(out) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::execl(self, self, "--load", folder.c_str(), asNobody ? "--as-nobody" : nullptr, nullptr);
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buf[512];
    for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;)
        text.append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    Measured m;
    char result[400] = {};
    std::size_t rows = 0;
    if (std::sscanf(text.c_str(), "%lf\t%ld\t%zu\t%399[^\n]", &m.ms, &m.peakKb, &rows, result) == 4)
        m.line = std::to_string(rows) + " rows, " + result;
    else
        m.line = "no result (exit " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
    return m;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--load") == 0)
        return loadOnce(argv[2], argc >= 4 && std::strcmp(argv[3], "--as-nobody") == 0);

    const fs::path work = bench::newScratchFolder(argc, argv, "kavio-hardening-bench");
    std::error_code ec;
    fs::permissions(work, fs::perms::all); // the unreadable case loads as nobody
    const char* self = "/proc/self/exe";
    char exe[4096] = {};
    if (::readlink(self, exe, sizeof exe - 1) <= 0)
        return 1;

    std::printf("%-40s %10s %12s %10s  %s\n", "case", "ms", "peak RSS KB", "over base", "result");
    long baseKb = 0;
    int index = 0;
    for (const Case& c : cases(work)) {
        const fs::path folder = work / ("case" + std::to_string(index++));
        fs::create_directories(folder);
        c.make(folder);
        const Measured m = measure(exe, folder, c.asNobody);
        if (baseKb == 0)
            baseKb = m.peakKb;
        std::printf("%-40s %10.2f %12ld %10ld  %s\n", c.name, m.ms, m.peakKb, m.peakKb - baseKb, m.line.c_str());
        std::fflush(stdout);
    }
    for (fs::recursive_directory_iterator it(work, ec), end; !ec && it != end; it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, ec);
    fs::remove_all(work, ec);
    return 0;
}
