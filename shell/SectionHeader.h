#pragma once
// The shell's section headers: a clear strip 40 high with the title in bold grey, 16 px.

#include <QString>
#include <QWidget>

#include <memory>

namespace kavio::shell {

std::unique_ptr<QWidget> makeSectionHeader(const QString& title);

} // namespace kavio::shell
