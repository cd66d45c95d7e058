#pragma once
// Hardware identifiers to the phone model names the share text carries.

#include <QString>

#include <string_view>

namespace kavio::shell {

inline const QString kUnknownModel = QStringLiteral("Unknown");

// Exact, case-sensitive lookup in the 38-row table; "Unknown" for anything else.
QString modelNameFor(std::string_view identifier);

} // namespace kavio::shell
