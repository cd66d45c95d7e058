#pragma once
// One item of a collection view. Subclass it, build the item's widgets into contentView()
// in the constructor, and register the class with CollectionView::registerCellClass();
// cells that scroll away are kept and handed out again by dequeueReusableCell().

#include <QColor>
#include <QString>
#include <QWidget>

namespace kavio::platform {

class CollectionViewCell : public QWidget {
    Q_OBJECT
public:
    explicit CollectionViewCell(QWidget* parent = nullptr);
    ~CollectionViewCell() override;

    QWidget* contentView() const { return content_; }
    QString reuseIdentifier() const { return reuseIdentifier_; }

    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return background_; }

    bool isSelected() const { return selected_; }
    // Override to show the state; call the base first.
    virtual void setSelected(bool selected);
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);
    // Called before a kept cell is handed out again.
    virtual void prepareForReuse();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    friend class CollectionView;

    QWidget* content_ = nullptr;
    QString reuseIdentifier_;
    QColor background_ = Qt::transparent;
    bool selected_ = false;
    bool highlighted_ = false;
};

} // namespace kavio::platform
