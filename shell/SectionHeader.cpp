#include "shell/SectionHeader.h"

#include "shell/ShellStyle.h"

#include <QLabel>

namespace kavio::shell {

std::unique_ptr<QWidget> makeSectionHeader(const QString& title)
{
    auto header = std::make_unique<QWidget>();
    header->setFixedHeight(style::kSectionHeaderHeight);
    auto* label = new QLabel(title, header.get());
    QFont font = label->font();
    font.setBold(true);
    font.setPixelSize(16);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(style::sectionHeader.name()));
    label->setGeometry(10, 5, 2000, style::kSectionHeaderHeight - 5);
    return header;
}

} // namespace kavio::shell
