#include "BundledSamples.h"

#include <QFile>

namespace kavio::app {

namespace {

std::string resourceBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

} // namespace

std::vector<SampleVideo> bundledSamples()
{
    std::vector<SampleVideo> samples;
    for (const char* title : {"Coastal Loop", "Night Lights"}) {
        const QString base = QStringLiteral(":/samples/") + QString::fromUtf8(title);
        SampleVideo sample{title, "Kavio", resourceBytes(base + ".mp4"), resourceBytes(base + ".png")};
        if (!sample.video.empty())
            samples.push_back(std::move(sample));
    }
    return samples;
}

} // namespace kavio::app
