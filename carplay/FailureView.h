#pragma once
// Over the player's video while an entry cannot play: the title, the reason and what
// happens next, in the car's large type.

#include <QWidget>

class QLabel;

namespace kavio::carplay {

class FailureView : public QWidget {
    Q_OBJECT
public:
    explicit FailureView(QWidget* parent);

    void show(const QString& reason, const QString& next);
    // The three lines as shown.
    QString text() const;

private:
    QLabel* title_ = nullptr; // children
    QLabel* reason_ = nullptr;
    QLabel* next_ = nullptr;
};

} // namespace kavio::carplay
