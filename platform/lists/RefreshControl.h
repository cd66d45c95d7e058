#pragma once
// Pull to refresh. Attached to a table, it sits above the first row: pulling the content
// down past the top, scrolling the wheel further up at the top or pressing F5 starts it
// and emits valueChanged(); the owner reloads and calls endRefreshing(). While refreshing
// it shows a spinner in a strip the table keeps open above its content.

#include "platform/views/Colors.h"

#include <QColor>
#include <QWidget>

class QTimer;

namespace kavio::platform {

class RefreshControl : public QWidget {
    Q_OBJECT
public:
    // Height of the strip kept open while refreshing; also the pull that starts it.
    static constexpr int kHeight = 60;

    explicit RefreshControl(QWidget* parent = nullptr);

    // Shows the refreshing state without emitting valueChanged (as for a refresh the
    // program started itself).
    void beginRefreshing();
    void endRefreshing();
    bool isRefreshing() const { return refreshing_; }

    // What the user's gesture does: begins refreshing and emits valueChanged once. Nothing
    // when already refreshing.
    void sendValueChanged();

    // How far the current pull has come, 0 to 1; drawn as spokes appearing one by one.
    void setPullProgress(qreal progress);
    qreal pullProgress() const { return progress_; }

    void setTintColor(const QColor& color);
    QColor tintColor() const { return tint_; }

Q_SIGNALS:
    void valueChanged();
    void refreshingChanged(bool refreshing);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void setRefreshing(bool refreshing);

    QTimer* spin_ = nullptr;
    QColor tint_ = colors::systemGray;
    qreal progress_ = 0;
    int phase_ = 0;
    bool refreshing_ = false;
};

} // namespace kavio::platform
