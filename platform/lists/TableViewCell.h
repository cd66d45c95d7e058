#pragma once
// One row of a table: a background (rounded where the row starts or ends an inset-grouped
// section), an image, a title line and in the subtitle style a detail line below it, and a
// right-hand accessory (a disclosure chevron, a checkmark or any widget). Subclasses put
// their own widgets into contentView().

#include "platform/base/Animated.h"

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>

class QVariantAnimation;

namespace kavio::platform {

class CellImageView;
class TableViewCellLabel;

enum class TableViewCellStyle { Default, Subtitle };
enum class TableViewCellAccessory { None, DisclosureIndicator, Checkmark };
enum class TableViewCellSelectionStyle { None, Default };

// How the table wants a cell drawn where it sits.
struct TableViewCellDecoration {
    qreal cornerRadius = 0;
    bool roundTop = false;
    bool roundBottom = false;
    bool separator = false;
    QColor separatorColor;
};

class TableViewCell : public QWidget {
    Q_OBJECT
public:
    explicit TableViewCell(TableViewCellStyle style = TableViewCellStyle::Default,
                           const QString& reuseIdentifier = {}, QWidget* parent = nullptr);
    ~TableViewCell() override;

    TableViewCellStyle cellStyle() const { return style_; }
    QString reuseIdentifier() const { return reuseIdentifier_; }

    QWidget* contentView() const { return content_; }
    // Built on first use; an empty image or text takes no space.
    CellImageView* imageView();
    TableViewCellLabel* textLabel();
    // Only the subtitle style has a detail line; nullptr otherwise.
    TableViewCellLabel* detailTextLabel();

    void setAccessoryType(TableViewCellAccessory type);
    TableViewCellAccessory accessoryType() const { return accessoryType_; }
    // The cell owns the view; it replaces (and deletes) the previous one. It takes the
    // accessory type's place. Its size is kept when set, else its size hint is used.
    void setAccessoryView(QWidget* view);
    QWidget* accessoryView() const { return accessoryView_; }

    void setBackgroundColor(const QColor& color);
    QColor backgroundColor() const { return background_; }
    void setSelectionStyle(TableViewCellSelectionStyle style) { selectionStyle_ = style; }
    TableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }

    bool isSelected() const { return selected_; }
    virtual void setSelected(bool selected, Animated animated);
    bool isHighlighted() const { return highlighted_; }
    virtual void setHighlighted(bool highlighted);

    // Called when a reused cell is handed out again: clear what the last row set.
    virtual void prepareForReuse();

    // Where the separator starts; by default under the text.
    int separatorInset() const { return separatorInset_; }

    void setNeedsLayout();
    void layoutIfNeeded();

    // Set by the table.
    void setDecoration(const TableViewCellDecoration& decoration);
    const TableViewCellDecoration& decoration() const { return decoration_; }
    void setFocusIndicator(bool shown);
    bool showsFocusIndicator() const { return focusIndicator_; }
    // A negative offset slides the content left and uncovers a Delete button at the right.
    void setSwipeOffset(int offset);
    int swipeOffset() const { return swipeOffset_; }

protected:
    // Places the standard parts inside contentView(); override to add to it.
    virtual void layoutContent();
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void layoutAccessory(int& contentRight);
    void paintAccessory(QPainter& painter) const;
    void paintDeleteButton(QPainter& painter, const QPainterPath& shape) const;
    void setHighlightLevel(qreal level);
    QColor highlightColor() const;
    QColor secondaryColor() const;
    bool isDark() const;

    TableViewCellStyle style_;
    QString reuseIdentifier_;
    QWidget* content_ = nullptr;
    CellImageView* image_ = nullptr;
    TableViewCellLabel* title_ = nullptr;
    TableViewCellLabel* detail_ = nullptr;
    QPointer<QWidget> accessoryView_;
    TableViewCellAccessory accessoryType_ = TableViewCellAccessory::None;
    TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::Default;
    QColor background_ = Qt::white;
    TableViewCellDecoration decoration_;
    QVariantAnimation* fade_ = nullptr;
    qreal highlightLevel_ = 0;
    int separatorInset_ = 16;
    int swipeOffset_ = 0;
    bool selected_ = false;
    bool highlighted_ = false;
    bool focusIndicator_ = false;
    bool needsLayout_ = true;
};

} // namespace kavio::platform
