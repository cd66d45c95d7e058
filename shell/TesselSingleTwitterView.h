#pragma once
// One tappable credit: an avatar, a name in bold and a role line; a click (or Space) opens
// the person's profile page. Its parts are built once, the first time it is shown.

#include <QAbstractButton>
#include <QString>

class QLabel;

namespace kavio::shell {

class TesselSingleTwitterView : public QAbstractButton {
    Q_OBJECT
public:
    explicit TesselSingleTwitterView(QWidget* parent = nullptr);

    // Set before the view is first shown.
    QString url;      // the avatar, a bundle image by name
    QString username;
    QString handle;   // the role
    QString openURL;  // the profile page

    bool subviewsAdded() const { return subviewsAdded_; }
    void open();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildSubviews();
    void layoutSubviews();

    QLabel* leftImageView = nullptr; // children
    QLabel* usernameLabel = nullptr;
    QLabel* handleLabel = nullptr;
    bool subviewsAdded_ = false;
};

} // namespace kavio::shell
