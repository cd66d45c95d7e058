#pragma once
// MPRIS wants artwork as a URL: the now-playing image goes to a PNG under the runtime
// directory. A file is written only when the entry or its image changes (the record is
// republished twice a second), under a new name each time so clients that cache by URL
// reload it; the previous file and, at the end, the directory are removed.

#include "platform/nowplaying/NowPlayingInfoCenter.h"

#include <QImage>
#include <QString>

#include <optional>

namespace kavio::platform {

class MprisArtworkStore {
public:
    // $XDG_RUNTIME_DIR/kavio-<pid>, else Qt's runtime location with the same leaf.
    static QString defaultDirectory();

    // An empty directory means defaultDirectory(), looked up at the first write.
    explicit MprisArtworkStore(QString directory = {});
    ~MprisArtworkStore();
    MprisArtworkStore(const MprisArtworkStore&) = delete;
    MprisArtworkStore& operator=(const MprisArtworkStore&) = delete;

    // The file:// URL for info's artwork; empty when there is none or it cannot be written.
    QString artUrl(const std::optional<NowPlayingInfo>& info);

    const QString& directory() const { return directory_; }
    int writeCount() const { return writeCount_; }

private:
    void removeCurrentFile();

    QString directory_;
    bool resolved_ = false; // trackId_ and image_ have been written (or failed to be)
    QString trackId_;
    QImage image_;
    QString file_;
    QString url_;
    int writeCount_ = 0;
};

} // namespace kavio::platform
