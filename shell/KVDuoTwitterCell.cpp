#include "shell/KVDuoTwitterCell.h"

#include "shell/Links.h"
#include "shell/ShellStyle.h"
#include "shell/TesselSingleTwitterView.h"

namespace kavio::shell {

KVDuoTwitterCell::KVDuoTwitterCell(const QString& reuseIdentifier, QWidget* parent)
    : platform::TableViewCell(platform::TableViewCellStyle::Subtitle, reuseIdentifier, parent)
{
    left_ = new TesselSingleTwitterView(contentView());
    left_->username = QStringLiteral("Morvel");
    left_->handle = QStringLiteral("Developer");
    left_->url = QStringLiteral("dev.png");
    left_->openURL = QString::fromLatin1(links::kDeveloperProfile);

    right_ = new TesselSingleTwitterView(contentView());
    right_->username = QStringLiteral("Lumi");
    right_->handle = QStringLiteral("Icon Designer");
    right_->url = QStringLiteral("designer.jpg");
    right_->openURL = QString::fromLatin1(links::kDesignerProfile);

    divider_ = new QWidget(contentView());
    divider_->setAutoFillBackground(true);
    QPalette palette = divider_->palette();
    QColor line = style::divider;
    line.setAlphaF(line.alphaF() * 0.8);
    palette.setColor(QPalette::Window, line);
    divider_->setPalette(palette);
    divider_->setAttribute(Qt::WA_TransparentForMouseEvents); // a touch there selects the row
}

void KVDuoTwitterCell::layoutContent()
{
    platform::TableViewCell::layoutContent();
    const QRect area = contentView()->rect();
    const int half = area.width() / 2;
    left_->setGeometry(0, 0, half, area.height());
    right_->setGeometry(area.width() - half, 0, half, area.height());
    const int lineHeight = static_cast<int>(area.height() * 0.7);
    divider_->setGeometry(area.width() / 2, (area.height() - lineHeight) / 2, 1, lineHeight);
    divider_->raise();
}

} // namespace kavio::shell
