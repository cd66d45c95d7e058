#pragma once
// What a screen shows as its button in a tab bar: a title (the screen's own title until
// given one), a template image and a tag for the application's own use.

#include <QImage>
#include <QObject>
#include <QString>

#include <optional>

namespace kavio::platform {

class ViewController;

class TabBarItem : public QObject {
    Q_OBJECT
public:
    // Made by the screen's tabBarItem().
    explicit TabBarItem(ViewController& owner);
    ~TabBarItem() override;
    TabBarItem(const TabBarItem&) = delete;
    TabBarItem& operator=(const TabBarItem&) = delete;

    QString title() const;
    void setTitle(const QString& title);
    // Drawn as a template: only its alpha counts, filled with the bar's item colour and
    // fitted into 30x30 points.
    QImage image() const { return image_; }
    void setImage(const QImage& image);
    int tag() const { return tag_; }
    void setTag(int tag);

Q_SIGNALS:
    void changed();

private:
    ViewController& owner_;
    std::optional<QString> title_;
    QImage image_;
    int tag_ = 0;
};

} // namespace kavio::platform
