// kavio-store: look at a library folder the way Kavio sees it, for users and scripts.
//   kavio-store dump [FOLDER]               the folder's store as one JSON object
//   kavio-store ls [FOLDER] [--car|--phone]  one JSON object per listed entry
// FOLDER defaults to the Documents folder Kavio uses.

#include "library/Avatar.h"
#include "library/FolderModel.h"
#include "library/ImageHelper.h"
#include "library/RowContent.h"
#include "library/Utf8.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>

#include <cstdio>
#include <string>

namespace {

namespace fs = std::filesystem;
using kavio::FolderModel;
using kavio::MovieInfo;

constexpr int kExitUsage = 2;
constexpr int kExitUnreadable = 1;

int usage()
{
    std::fputs("usage: kavio-store dump [FOLDER]\n"
               "       kavio-store ls [FOLDER] [--car|--phone]\n",
               stderr);
    return kExitUsage;
}

QJsonValue text(const std::optional<std::string>& s)
{
    return s ? QJsonValue(kavio::fromUtf8(*s)) : QJsonValue();
}

QJsonValue text(const std::optional<QString>& s)
{
    return s ? QJsonValue(*s) : QJsonValue();
}

QJsonValue imageJson(const MovieInfo& r)
{
    if (!r.imgData)
        return QJsonValue();
    const kavio::ImageInfo info = kavio::probeImage(r.imgData->view());
    return QJsonObject{{"bytes", static_cast<qint64>(r.imgData->size())},
                       {"format", QString::fromStdString(info.format)},
                       {"width", info.width},
                       {"height", info.height}};
}

void printLine(const QJsonObject& object)
{
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact);
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
}

int dump(const fs::path& folder)
{
    FolderModel model(folder);
    model.loadMp4Files();
    QJsonArray records;
    if (model.prefsDict()) {
        kavio::visitRecords(*model.prefsDict(), [&](const std::string& key, kavio::Result<MovieInfo> r) {
            if (!r)
                return;
            records.append(QJsonObject{{"key", text(std::optional<std::string>(key))},
                                       {"FILENAME", text(r->FILENAME)},
                                       {"ARTIST", text(r->ARTIST)},
                                       {"EXTENSION", text(r->EXTENSION)},
                                       {"KEY", text(r->KEY)},
                                       {"urlLink", text(r->urlLink)},
                                       {"imgData", imageJson(*r)}});
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
    return readable ? 0 : kExitUnreadable;
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // image plugins for the thumbnail formats
    // A thumbnail that does not decode is reported as format "unknown", not as noise.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio=false"));
    if (argc < 2)
        return usage();
    const std::string command = argv[1];
    std::optional<fs::path> folder;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (command == "ls" && (arg == "--car" || arg == "--phone"))
            continue; // both browsers list and label rows alike
        if (arg.starts_with("-") || folder)
            return usage();
        folder = fs::path(arg);
    }
    if (!folder)
        folder = kavio::defaultDocumentsDirectory();
    if (command == "dump")
        return dump(*folder);
    if (command == "ls")
        return list(*folder);
    return usage();
}
