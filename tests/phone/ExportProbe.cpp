// Brings a picked video in as the window does: exported into a hidden folder of the
// destination, then moved into place with its record by the editor's save. The tests kill
// or fail it at each system call. Exit 0: saved; 1: the save failed; 2: bad usage.

#include "phone/EditorSave.h"
#include "phone/Exports.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FOLDER VIDEO TITLE\n", argv[0]);
        return 2;
    }
    using namespace kavio;
    const std::filesystem::path folder = argv[1];
    Result<phone::Export> exported = phone::exportVideo(argv[2], folder, nullptr);
    if (!exported)
        return 1;
    FolderModel model(folder);
    model.reloadContent();
    const phone::EditorInput input{phone::ImportKind::Export, exported->file, {}, exported->folder};
    const phone::EditorOutcome out = phone::saveEditor(model, input, {argv[3], "", phone::defaultThumbnailPng()},
                                                       realFileSystem(), std::chrono::system_clock::now());
    return out.kind == phone::EditorOutcome::Kind::Saved ? 0 : 1;
}
