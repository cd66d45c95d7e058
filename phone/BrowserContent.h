#pragma once
// What the phone browser shows around its rows, decided without widgets: the long-press
// menu of a row and the texts of its dialogs.

#include "library/FolderListing.h"
#include "library/FolderModel.h"

#include <QString>

#include <vector>

namespace kavio::phone {

enum class RowAction { Rename, ImageRewriting, Remove };

struct RowActionLook {
    QString title;
    QString symbol;
    bool destructive = false;
};
RowActionLook lookOf(RowAction action);

struct RowMenuContent {
    QString title;                  // the entry's name without its last extension
    std::vector<RowAction> actions; // a folder has no thumbnail to change
};
RowMenuContent rowMenuFor(const FolderEntry& entry);

struct DialogField {
    QString placeholder;
    QString text;
};

struct DialogContent {
    QString title;
    QString message;
    std::vector<DialogField> fields;
    QString acceptTitle; // default style; "Cancel" follows in the destructive style
};

inline const QString kDialogTitle = QStringLiteral("Kavio");
inline const QString kCancelTitle = QStringLiteral("Cancel");

// A folder: its name. A video: its title and artist from its record, or the file's own
// name without extension when it has none yet.
DialogContent renameDialogFor(const FolderModel& model, const FolderEntry& entry);
DialogContent createFolderDialog();

} // namespace kavio::phone
