#include "phone/BrowserContent.h"

#include "library/Utf8.h"

namespace kavio::phone {

RowActionLook lookOf(RowAction action)
{
    switch (action) {
    case RowAction::Rename: return {QStringLiteral("Rename"), QStringLiteral("highlighter"), false};
    case RowAction::ImageRewriting: return {QStringLiteral("Image rewriting"), QStringLiteral("photo.on.rectangle"), false};
    case RowAction::Remove: return {QStringLiteral("Remove"), QStringLiteral("trash"), true};
    }
    return {};
}

RowMenuContent rowMenuFor(const FolderEntry& entry)
{
    RowMenuContent menu{fromUtf8(baseNameOf(entry.name)), {}};
    if (entry.kind == EntryKind::Folder)
        menu.actions = {RowAction::Rename, RowAction::Remove};
    else
        menu.actions = {RowAction::Rename, RowAction::ImageRewriting, RowAction::Remove};
    return menu;
}

DialogContent renameDialogFor(const FolderModel& model, const FolderEntry& entry)
{
    if (entry.kind == EntryKind::Folder) {
        return {kDialogTitle, QStringLiteral("Please enter a folder name."),
                {{QStringLiteral("Folder name"), entry.displayName()}}, QStringLiteral("Rename")};
    }
    QString title = fromUtf8(entry.baseName());
    QString artist;
    if (std::optional<std::size_t> i = model.recordIndexFor(entry)) {
        const MovieInfo& r = *(*model.save_items())[*i];
        title = fromUtf8(r.FILENAME.value_or(""));
        artist = fromUtf8(r.ARTIST.value_or(""));
    }
    return {kDialogTitle, QStringLiteral("Please enter a file name. No extension is required."),
            {{QStringLiteral("Title name"), title}, {QStringLiteral("Artist name"), artist}}, QStringLiteral("Rename")};
}

DialogContent createFolderDialog()
{
    return {kDialogTitle, QStringLiteral("Enter a folder name."), {{QStringLiteral("Folder name"), {}}},
            QStringLiteral("Create")};
}

} // namespace kavio::phone
