// kavio-store: look at a library folder the way Kavio sees it, and change it the way the
// phone browser does, for people without a display and for scripts.

#include "library/Avatar.h"
#include "library/FolderChange.h"
#include "library/FolderModel.h"
#include "library/ImageHelper.h"
#include "library/PlainText.h"
#include "library/RowContent.h"
#include "library/VideoProbe.h"
#include "library/Utf8.h"
#include "phone/EditorSave.h"
#include "phone/FileOperations.h"
#include "phone/Names.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using kavio::FolderModel;
using kavio::MovieInfo;
using kavio::phone::Outcome;

constexpr int kExitUsage = 2;
constexpr int kExitFailed = 1;

const char kUsage[] =
    "usage: kavio-store VERB ARGUMENTS...\n"
    "\n"
    "Looking (FOLDER defaults to Kavio's Documents folder):\n"
    "  dump [FOLDER]                          the folder's KavioSave.plist as one JSON object\n"
    "  ls [FOLDER] [--car|--phone]            one JSON object per row the browsers show\n"
    "\n"
    "Changing, as the phone browser does (one JSON line: the record changed, or {}):\n"
    "  mkdir FOLDER NAME                      a new folder; NAME may hold \"/\" for nested folders\n"
    "  rename FOLDER ENTRY NEW_NAME [--artist A]\n"
    "                                         a video's new title (its extension never changes)\n"
    "                                         or a folder's new name\n"
    "  rm FOLDER ENTRY [--permanently]        to the trash, with the video's record; erased\n"
    "                                         for good with --permanently\n"
    "  restore FOLDER ENTRY                   the latest removal of ENTRY back from the trash,\n"
    "                                         with the video's record\n"
    "  thumbnail FOLDER ENTRY IMAGE_FILE      the picture becomes the video's thumbnail\n"
    "  import FOLDER SOURCE --title T [--artist A] [--thumbnail IMAGE] [--move]\n"
    "                                         a video brought in, copied unless --move\n"
    "  link FOLDER URL --title T [--artist A] [--thumbnail IMAGE]\n"
    "                                         a stream, with its empty placeholder file\n"
    "  empty FOLDER [--permanently]           every entry of the folder to the trash (or\n"
    "                                         erased for good)\n"
    "\n"
    "ENTRY is a file or folder name in FOLDER, as `ls` shows it (its exact bytes).\n"
    "Titles, artists and names are plain text: no control characters, valid UTF-8.\n"
    "A change waits up to 10 seconds while another program (Kavio's window, another\n"
    "kavio-store) changes the same folder, then gives up with \"busy\".\n"
    "Exit status: 0 done; 1 refused, failed or busy (the reason on stderr; nothing\n"
    "changed); 2 bad usage. An entry no trash can take is never erased without\n"
    "--permanently: it stays and `rm` or `empty` exits 1. `restore` exits 1 when no\n"
    "trash holds a removal of ENTRY or its name is taken. `dump` and `ls` exit 1 when\n"
    "FOLDER is not a folder, `dump` also when the store is there but cannot be read.\n";

int usage()
{
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

// Names come from anywhere (a stick, an archive, a script): a line break or an escape in
// one must not reach the terminal as itself.
void complain(std::string_view message)
{
    std::fprintf(stderr, "kavio-store: %s\n", kavio::escapedForTerminal(message).c_str());
}

int noFolder(const std::string& folder)
{
    complain("no folder at " + folder);
    return kExitFailed;
}

QJsonValue text(const std::optional<std::string>& s)
{
    return s ? QJsonValue(kavio::fromUtf8(*s)) : QJsonValue();
}

QJsonValue text(const std::optional<QString>& s)
{
    return s ? QJsonValue(*s) : QJsonValue();
}

// Image libraries print their own complaints about broken pictures (libpng straight to
// stderr); a thumbnail that does not decode is reported in the JSON instead.
class QuietStderr {
public:
    QuietStderr() : saved_(::dup(STDERR_FILENO))
    {
        std::fflush(stderr);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null >= 0) {
            ::dup2(null, STDERR_FILENO);
            ::close(null);
        }
    }
    ~QuietStderr()
    {
        if (saved_ >= 0) {
            std::fflush(stderr);
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_;
};

QJsonValue imageJson(const MovieInfo& r)
{
    if (!r.imgData)
        return QJsonValue();
    const kavio::ImageInfo info = [&] {
        QuietStderr quiet;
        return kavio::probeImage(r.imgData->view());
    }();
    return QJsonObject{{"bytes", static_cast<qint64>(r.imgData->size())},
                       {"format", QString::fromStdString(info.format)},
                       {"width", info.width},
                       {"height", info.height}};
}

QJsonObject recordJson(const MovieInfo& r)
{
    return QJsonObject{{"FILENAME", text(r.FILENAME)}, {"ARTIST", text(r.ARTIST)}, {"EXTENSION", text(r.EXTENSION)},
                       {"KEY", text(r.KEY)},           {"urlLink", text(r.urlLink)}, {"imgData", imageJson(r)}};
}

// JSON escapes the C0 controls; DEL, the C1 controls (a terminal's CSI among them) and the
// direction overrides it writes as they are, so they are escaped here, as JSON allows.
QByteArray terminalSafe(const QByteArray& json)
{
    QByteArray out;
    out.reserve(json.size());
    auto escape = [&](unsigned codePoint) {
        out += QByteArray("\\u") + QByteArray::number(codePoint, 16).rightJustified(4, '0');
    };
    for (qsizetype i = 0; i < json.size(); ++i) {
        const auto c = static_cast<unsigned char>(json[i]);
        const auto next = i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0u;
        const auto third = i + 2 < json.size() ? static_cast<unsigned char>(json[i + 2]) : 0u;
        if (c == 0x7F) {
            escape(c);
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            escape(next);
            i += 1;
        } else if (c == 0xE2 && ((next == 0x80 && third >= 0xAA && third <= 0xAE) ||
                                 (next == 0x81 && third >= 0xA6 && third <= 0xA9))) {
            escape(0x2000u | (next & 0x3Fu) << 6 | (third & 0x3Fu));
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

void printLine(const QJsonObject& object)
{
    const QByteArray line = terminalSafe(QJsonDocument(object).toJson(QJsonDocument::Compact));
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
}

int dump(const fs::path& folder)
{
    FolderModel model(folder);
    model.reloadContent(); // as the browsers load it: records of videos back from the trash too
    QJsonArray records;
    if (model.prefsDict()) {
        kavio::visitRecords(*model.prefsDict(), [&](const std::string& key, kavio::Result<MovieInfo> r) {
            if (!r)
                return;
            QJsonObject json = recordJson(*r);
            json.insert("key", text(std::optional<std::string>(key)));
            records.append(json);
        });
    }
    const bool readable = model.prefsDict() != nullptr;
    QJsonObject out{{"store", QString::fromStdString(model.PLIST_PATH().string())},
                    {"readable", readable},
                    {"records", records},
                    {"skipped", static_cast<qint64>(model.skippedRecords())}};
    if (!readable)
        out.insert("error", QString::fromStdString(model.storeStatus().toString()));
    printLine(out);
    return readable ? 0 : kExitFailed;
}

int list(const fs::path& folder)
{
    FolderModel model(folder);
    model.reloadContent();
    for (const kavio::FolderEntry& entry : model.dirCon()) {
        const kavio::RowContent row = kavio::rowContent(entry, *model.save_items());
        QJsonValue key;
        if (row.recordIndex)
            key = text((*model.save_items())[*row.recordIndex]->KEY);
        printLine(QJsonObject{{"name", entry.displayName()},
                              {"kind", entry.kind == kavio::EntryKind::Folder ? "folder" : "video"},
                              {"title", row.title},
                              {"detail", text(row.detail)},
                              {"size", text(row.sizeText)},
                              {"record", key}});
    }
    return 0;
}

enum class Failure { RefusedOrFailed, Busy };

// The reason a change failed, as the screen's alert would give it.
int failed(const std::string& message, Failure failure)
{
    if (failure == Failure::Busy)
        complain("busy: " + message);
    else if (!message.empty())
        complain(message);
    return kExitFailed;
}

// What the screen's alert would say goes to stderr, with the log lines.
int report(const Outcome& out)
{
    for (const std::string& line : out.log)
        std::fprintf(stderr, "%s\n", kavio::escapedForTerminal(line).c_str());
    if (!out.done())
        return failed(out.message, out.kind == Outcome::Kind::Busy ? Failure::Busy : Failure::RefusedOrFailed);
    printLine(out.record ? recordJson(*out.record) : QJsonObject());
    return 0;
}

// A removal's outcome: what no trash took is named, with the way to erase it on purpose.
int reportRemoval(const kavio::phone::RemovalOutcome& out, bool permanently)
{
    if (!out.untrashable.empty() && !permanently) {
        Outcome said = out;
        said.message += "\nNothing was erased; --permanently deletes for good what no trash takes.";
        return report(said);
    }
    return report(out);
}

struct Options {
    std::optional<std::string> artist;
    std::optional<std::string> title;
    std::optional<std::string> thumbnail;
    bool move = false;
    bool permanently = false;
};

// An import or a link, as the editor saves it.
int add(const std::string& verb, const std::vector<std::string>& args, const Options& options)
{
    FolderModel model(args[0]);
    model.reloadContent();
    if (!model.folderExists())
        return noFolder(args[0]);
    namespace phone = kavio::phone;
    phone::EditorInput input;
    if (verb == "link")
        input = {phone::ImportKind::Link, {}, args[1]};
    else
        input = {options.move ? phone::ImportKind::Move : phone::ImportKind::Copy, args[1], {}};
    if (verb == "link" && args[1].empty()) {
        complain(phone::kUrlNotEntered);
        return kExitFailed;
    }
    if (verb == "import") {
        if (const kavio::Status probed = kavio::probeVideo(args[1]); !probed) {
            complain(probed.message());
            return kExitFailed;
        }
    }
    phone::EditorForm form{*options.title, options.artist.value_or(""), phone::defaultThumbnailPng()};
    if (options.thumbnail) {
        kavio::Result<std::string> bytes = kavio::readPictureFile(*options.thumbnail);
        kavio::Result<std::string> png = bytes ? kavio::pngThumbnail(kavio::decodeImage(*bytes)) : bytes;
        if (!png) {
            complain("\"" + fs::path(*options.thumbnail).filename().string() + "\" is not a picture Kavio can read.");
            return kExitFailed;
        }
        form.thumbnail = *png;
    }
    const phone::EditorOutcome out = phone::saveEditor(model, input, form, kavio::realFileSystem(),
                                                       std::chrono::system_clock::now(), nullptr,
                                                       kavio::kToolWaitsForFolder);
    const bool busy = out.kind == phone::EditorOutcome::Kind::Busy;
    if (out.kind != phone::EditorOutcome::Kind::Saved)
        return failed(out.message, busy ? Failure::Busy : Failure::RefusedOrFailed);
    printLine(recordJson(*out.record));
    return 0;
}

// The latest removal of the entry, back with its record.
int restore(FolderModel& model, const std::string& name)
{
    const kavio::phone::Removal removal = kavio::phone::latestRemovalOf(model, name);
    if (removal.empty()) {
        complain("No trash holds \"" + name + "\" removed from " + model.currentURL().string() + ".");
        return kExitFailed;
    }
    Outcome out = kavio::phone::restoreRemoval(model, removal, kavio::kToolWaitsForFolder);
    if (out.done())
        out.record = removal.items.front().record;
    return report(out);
}

int change(const std::string& verb, const std::vector<std::string>& args, const Options& options)
{
    namespace phone = kavio::phone;
    FolderModel model(args[0]);
    model.reloadContent();
    if (!model.folderExists())
        return noFolder(args[0]);
    constexpr auto wait = kavio::kToolWaitsForFolder;
    if (verb == "mkdir")
        return report(phone::createFolder(model, args[1], wait));
    if (verb == "empty") {
        const auto disposal = options.permanently ? phone::Disposal::EraseForGood : phone::Disposal::ToTrash;
        phone::RemovalOutcome out = phone::emptyFolder(model, wait, disposal);
        out.record.reset();
        return reportRemoval(out, options.permanently);
    }
    if (verb == "restore")
        return restore(model, args[1]);
    const std::optional<kavio::phone::EntryRef> entry = kavio::phone::entryRefNamed(model, args[1]);
    if (!entry) {
        complain("\"" + args[1] + "\" is not a video or folder in " + args[0]);
        return kExitFailed;
    }
    if (verb == "rename")
        return report(phone::renameEntry(model, *entry, args[2], options.artist.value_or(""), wait));
    if (verb == "rm" && options.permanently)
        return report(phone::erasePermanently(model, {*entry}, wait));
    if (verb == "rm")
        return reportRemoval(phone::removeEntry(model, *entry, wait), false);
    return report(phone::changeThumbnail(model, *entry, args[2], wait));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // image plugins for the thumbnail formats
    // A thumbnail that does not decode is reported as format "unknown", not as noise.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio*=false"));
    if (argc < 2)
        return usage();
    const std::string verb = argv[1];
    if (verb == "--help" || verb == "-h" || verb == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::vector<std::string> args;
    Options options;
    const bool adds = verb == "import" || verb == "link";
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (verb == "ls" && (arg == "--car" || arg == "--phone"))
            continue; // both browsers list and label rows alike
        auto value = [&](std::optional<std::string>& into) {
            if (into || i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        if ((verb == "rename" || adds) && arg == "--artist") {
            if (!value(options.artist))
                return usage();
            continue;
        }
        if (adds && (arg == "--title" || arg == "--thumbnail")) {
            if (!value(arg == "--title" ? options.title : options.thumbnail))
                return usage();
            continue;
        }
        if (verb == "import" && arg == "--move" && !options.move) {
            options.move = true;
            continue;
        }
        if ((verb == "rm" || verb == "empty") && arg == "--permanently" && !options.permanently) {
            options.permanently = true;
            continue;
        }
        if (arg.starts_with("-"))
            return usage();
        args.push_back(arg);
    }

    if (verb == "dump" || verb == "ls") {
        if (args.size() > 1)
            return usage();
        const fs::path folder = args.empty() ? kavio::defaultDocumentsDirectory() : fs::path(args[0]);
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) // a typo must not look like an empty library
            return noFolder(folder.string());
        return verb == "dump" ? dump(folder) : list(folder);
    }
    // A typed artist is plain text, as in the window (titles and names are checked by the
    // operations themselves).
    const std::optional<std::string> artistProblem =
        options.artist ? kavio::phone::artistProblem(*options.artist) : std::nullopt;
    if (adds) {
        if (args.size() != 2 || !options.title)
            return usage();
        if (artistProblem) {
            complain(*artistProblem);
            return kExitFailed;
        }
        return add(verb, args, options);
    }
    const std::size_t wanted = verb == "empty"                     ? 1
                               : verb == "rm" || verb == "mkdir" || verb == "restore" ? 2
                               : verb == "rename" || verb == "thumbnail" ? 3
                                                                   : 0;
    if (wanted == 0 || args.size() != wanted)
        return usage();
    if (artistProblem) {
        complain(*artistProblem);
        return kExitFailed;
    }
    return change(verb, args, options);
}
