#pragma once
// The credits row: the developer at the left, the icon designer at the right, a thin
// divider between them.

#include "platform/lists/TableViewCell.h"

namespace kavio::shell {

class TesselSingleTwitterView;

class KVDuoTwitterCell : public platform::TableViewCell {
    Q_OBJECT
public:
    explicit KVDuoTwitterCell(const QString& reuseIdentifier = {}, QWidget* parent = nullptr);

    TesselSingleTwitterView* developer() const { return left_; }
    TesselSingleTwitterView* designer() const { return right_; }
    QWidget* divider() const { return divider_; }

protected:
    void layoutContent() override;

private:
    TesselSingleTwitterView* left_ = nullptr;  // children of the content view
    TesselSingleTwitterView* right_ = nullptr;
    QWidget* divider_ = nullptr;
};

} // namespace kavio::shell
