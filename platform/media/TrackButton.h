#pragma once
// A button of the player's controls that opens a menu of tracks (the sound, the
// subtitles): one row each, the playing one ticked, rows tall enough for a finger. Hidden
// while there is nothing to choose.

#include <QStringList>
#include <QToolButton>

class QMenu;

namespace kavio::platform {

class TrackButton : public QToolButton {
    Q_OBJECT
public:
    // title: the button's name and the menu's heading ("Audio", "Subtitles").
    TrackButton(const QString& symbolName, const QString& title, QWidget* parent = nullptr);

    // The rows to offer and the one ticked (-1: none); no rows hides the button.
    void setRows(const QStringList& rows, int current);
    const QStringList& rows() const { return rows_; }
    int currentRow() const { return current_; }
    QMenu* trackMenu() const { return menu_; }

Q_SIGNALS:
    void rowChosen(int row);

private:
    void rebuildMenu();

    QString title_;
    QStringList rows_;
    int current_ = -1;
    QMenu* menu_ = nullptr; // child
};

} // namespace kavio::platform
