#pragma once
// A notice at the foot of a screen: a line or two saying what just happened, with one
// action ("Undo") for a while, then gone. Unlike an alert it is not modal: it takes no
// focus and blocks nothing. Its action is a button that Tab reaches (Escape there closes
// the notice); its time runs out only while neither the pointer nor the keyboard is on it.
//
// One notice per window area: it sits over the bottom of the navigation container the
// screen is in (so it stays while folders are pushed and popped), else of the screen, and
// a new one takes its place.

#include <QPointer>
#include <QString>
#include <QWidget>

#include <chrono>
#include <functional>

class QLabel;
class QPushButton;
class QTimer;

namespace kavio::platform {

class ViewController;

struct NoticeContent {
    QString text;
    QString actionTitle; // no button when empty
    std::function<void()> action;
    std::chrono::milliseconds duration{10000};
};

class NoticeBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 12;

    // Lives over the bottom of host, as its child.
    explicit NoticeBar(QWidget* host);
    ~NoticeBar() override;
    NoticeBar(const NoticeBar&) = delete;
    NoticeBar& operator=(const NoticeBar&) = delete;

    // Shows content, replacing what was shown, for its full duration.
    void showNotice(NoticeContent content);
    // Gone, its action not taken.
    void dismiss();

    bool isShowing() const { return isVisible(); }
    QString text() const;
    QString actionTitle() const;
    QPushButton* actionButton() const { return button_; }
    // The action, as a click on its button: the notice goes first. False when there is
    // none or it is not showing.
    bool triggerAction();
    // How long it has left, for tests.
    std::chrono::milliseconds remaining() const;

Q_SIGNALS:
    void dismissed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void place();
    void pauseOrRun();

    QLabel* label_ = nullptr;       // child
    QPushButton* button_ = nullptr; // child
    QTimer* timer_ = nullptr;       // child
    std::function<void()> action_;
    std::chrono::milliseconds left_{0};
    qint64 runningSince_ = 0;
    bool hovered_ = false;
};

// Shows content at the foot of over's window area (see above); the bar it shows in.
NoticeBar* showNotice(ViewController& over, NoticeContent content);
// The bar over's window area has, or null.
NoticeBar* noticeBarFor(ViewController& over);

} // namespace kavio::platform
