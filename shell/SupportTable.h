#pragma once
// The support screen's fixed table, as data: sections, rows, heights, what a row shows and
// what choosing it does. The screen only draws it.

#include <QString>

#include <vector>

namespace kavio::shell {

enum class SupportRowKind { Credits, Donate, RightHandDrive, ContinuePlaying, Promotion };
enum class SupportAction { None, OpenDeveloperProfile, OpenDonationPage };

struct SupportRow {
    SupportRowKind kind;
    int height;
    QString title;
    QString subtitle;
    QString image; // a bundle image by name; empty for none
    SupportAction action = SupportAction::None;
};

struct SupportSection {
    QString header;
    std::vector<SupportRow> rows;
    QString footer;
};

// currentYear fills the rights notice under the last section.
std::vector<SupportSection> supportSections(int currentYear);

inline constexpr char kSettingsSaveFailed[] = "Failed to save.";

} // namespace kavio::shell
