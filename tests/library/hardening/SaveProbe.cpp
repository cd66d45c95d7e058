// Performs exactly one save into a folder, so a test can kill or fail it at each system
// call: "store" files one fixed record through a FolderChange, "settings"
// flips the right-hand-drive setting. getppid() marks the start and the end of the save
// for strace. Exit 0: the save succeeded; 1: it reported failure; 2: bad usage or setup.

#include "support/TestSupport.h"

#include "library/FolderChange.h"
#include "library/FolderModel.h"
#include "library/Settings.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

using namespace kavio;

void mark() { ::getppid(); }

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "store") != 0 && std::strcmp(argv[1], "settings") != 0)) {
        std::fprintf(stderr, "usage: %s store|settings FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    Status status;
    if (std::strcmp(argv[1], "store") == 0) {
        FolderModel model(folder);
        // Tests open the folder for writing beside it, each for a moment.
        Result<FolderChange> change = FolderChange::begin(model, std::chrono::seconds(2));
        if (!change || !model.prefsDict()) return 2;
        change->saveMovieModules(*test::record("probe clip"));
        mark();
        status = change->commit();
        mark();
    } else {
        const auto path = settingsFilePath(folder);
        std::optional<plist::Dictionary> held = readSettings(path);
        const bool current = readRightHandDrive(path);
        mark();
        status = writeRightHandDrive(path, held, !current);
        mark();
    }
    if (status.isOk())
        return 0;
    std::fprintf(stderr, "save failed: %s\n", status.toString().c_str());
    return 1;
}
