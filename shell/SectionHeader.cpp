#include "shell/SectionHeader.h"

#include "shell/ShellStyle.h"

#include <QHBoxLayout>
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
    // As wide as the header, whatever the table's width.
    auto* layout = new QHBoxLayout(header.get());
    layout->setContentsMargins(10, 5, 10, 0);
    layout->addWidget(label);
    return header;
}

} // namespace kavio::shell
