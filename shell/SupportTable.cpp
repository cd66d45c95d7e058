#include "shell/SupportTable.h"

namespace kavio::shell {

namespace {

SupportRow promotion(const QString& name, const QString& line, const QString& icon)
{
    return {SupportRowKind::Promotion, 50, name, line, icon, SupportAction::None};
}

} // namespace

std::vector<SupportSection> supportSections(int currentYear)
{
    const QString rights = QStringLiteral("© 2023-%1 Morvel. All rights reserved.").arg(currentYear);
    return {
        {QStringLiteral("Developer"),
         {{SupportRowKind::Credits, 80, {}, {}, {}, SupportAction::OpenDeveloperProfile},
          {SupportRowKind::Donate, 50, QStringLiteral("Donate"), QStringLiteral("I would be happy if you could donate♡"),
           QStringLiteral("paypal.png"), SupportAction::OpenDonationPage}},
         QString()},
        {QStringLiteral("Setting"),
         {{SupportRowKind::RightHandDrive, 50, QStringLiteral("Right hand drive"),
           QStringLiteral("Puts the car player's column on the right."), {}, SupportAction::None},
          // No second line: the name itself takes two in a narrow window.
          {SupportRowKind::ContinuePlaying, 64, QStringLiteral("Continue playing when the car starts"), QString(), {},
           SupportAction::None}},
         QString()},
        {QStringLiteral("More Apps"),
         {promotion(QStringLiteral("RemoteDeck"), QStringLiteral("Your car's buttons for any player"), QStringLiteral("promo/remote.png")),
          promotion(QStringLiteral("Kavio"), QStringLiteral("Video playback on your car display🎉"), QStringLiteral("AppIcon76x76.png"))},
         QString()},
        {QStringLiteral("Tweaks"),
         {promotion(QStringLiteral("DockFlow"), QStringLiteral("A dock that follows your day"), QStringLiteral("promo/dock.png")),
          promotion(QStringLiteral("VolumeBar"), QStringLiteral("A quieter volume indicator"), QStringLiteral("promo/volume.png")),
          promotion(QStringLiteral("BatteryLine"), QStringLiteral("Battery level as a thin line"), QStringLiteral("promo/battery.png"))},
         rights + QStringLiteral("\n\nRuns on Linux with Qt 6.4 or later🎉\nThanks Qt and GStreamer😎")},
    };
}

} // namespace kavio::shell
