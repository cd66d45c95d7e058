#pragma once
// What a person sees on a rendered screen: texts shown whole, and texts that stand out
// from what is behind them.

#include <QColor>
#include <QImage>
#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace kavio::test {

// WCAG 2 contrast ratio; a translucent foreground is first laid over the background.
double contrastRatio(const QColor& foreground, const QColor& background);

// The visible labels under root that do not show their whole text: wrapped text taller
// than its label, one line wider than it, or a label reaching outside the widgets that
// hold it. Each as "text (why)".
std::vector<std::string> cutTexts(const QWidget& root);

// The visible texts under root (labels, buttons, fields) whose drawn letters stand out
// from what is drawn behind them by less than minimum. Measured on root's rendering: the
// widget is drawn once with its text and once without. Each as "text: ratio".
std::vector<std::string> lowContrastTexts(QWidget& root, double minimum);

// root's rendering, also saved as $KAVIO_TEST_SHOTS/name.png when that is set (to look at).
QImage screenshot(QWidget& root, const QString& name);

} // namespace kavio::test
