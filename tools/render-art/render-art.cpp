// Renders the project's SVG artwork to the PNGs that ship as resources, and a contact
// sheet of everything for a visual check. Run once after editing artwork:
//   tools/render-art/render-art.sh            (writes into resources/)
// Kept outside the CMake build: the PNGs are committed, the build never renders them.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

#include <vector>

namespace {

// The output's suffix picks the format: ".png" keeps alpha, ".jpg" is JPEG on white.
struct Job {
    const char* svg;
    const char* out;
    int width;
    int height;
};

// Row icons are drawn for 80 px; tab icons are 30 points with a 2x variant that QIcon
// and QPixmap pick up on high-density screens. The support screen's avatars are 120 px,
// its Donate badge and the promotion icons 30 points drawn at 2x; the share pictures
// are 600 x 400.
const std::vector<Job> kJobs = {
    {"icons/folder.svg", "icons/folder.png", 80, 80},
    {"icons/mp4.svg", "icons/mp4.png", 80, 80},
    {"icons/mp4_preview.svg", "icons/mp4_preview.png", 500, 500},
    {"kavio.svg", "AppIcon76x76.png", 76, 76},
    {"icons/download.svg", "icons/download.png", 30, 30},
    {"icons/download.svg", "icons/download@2x.png", 60, 60},
    {"icons/support.svg", "icons/support.png", 30, 30},
    {"icons/support.svg", "icons/support@2x.png", 60, 60},
    {"avatars/dev.svg", "dev.png", 120, 120},
    {"avatars/designer.svg", "designer.jpg", 120, 120},
    {"icons/paypal.svg", "paypal.png", 60, 60},
    {"promo/remote.svg", "promo/remote.png", 60, 60},
    {"promo/dock.svg", "promo/dock.png", 60, 60},
    {"promo/volume.svg", "promo/volume.png", 60, 60},
    {"promo/battery.svg", "promo/battery.png", 60, 60},
    {"share/car_demo.svg", "car_demo.png", 600, 400},
    {"share/play_demo.svg", "play_demo.png", 600, 400},
    {"share/iphone_demo.svg", "iphone_demo.png", 600, 400},
};

bool isJpeg(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == "jpg" || suffix == "jpeg";
}

QImage render(const QString& svgPath, QSize size, const QColor& background = Qt::transparent)
{
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return image;
}

// Every symbol and icon on a light and a dark strip, to eyeball tinting and balance.
QImage contactSheet(const QDir& root)
{
    QStringList names = QDir(root.filePath("symbols")).entryList({"*.svg"}, QDir::Files, QDir::Name);
    const int cell = 56;
    const int columns = std::max<int>(names.size(), kJobs.size());
    QImage sheet(columns * cell, cell * 3, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(242, 242, 247));
    QPainter p(&sheet);
    p.fillRect(0, cell, sheet.width(), cell, QColor(28, 28, 30));
    for (int i = 0; i < names.size(); ++i) {
        const QImage black = render(root.filePath("symbols/" + names[i]), {48, 48});
        QImage tinted = black;
        QPainter t(&tinted);
        t.setCompositionMode(QPainter::CompositionMode_SourceIn);
        t.fillRect(tinted.rect(), QColor(240, 155, 58));
        t.end();
        p.drawImage(i * cell + 4, 4, black);
        p.drawImage(i * cell + 4, cell + 4, tinted);
    }
    for (std::size_t i = 0; i < kJobs.size(); ++i) {
        QImage icon(root.filePath(kJobs[i].out)); // an "@2x" name loads with ratio 2
        icon.setDevicePixelRatio(1);
        icon = icon.scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        p.drawImage(int(i) * cell + 4 + (48 - icon.width()) / 2,
                    2 * cell + 4 + (48 - icon.height()) / 2, icon);
    }
    return sheet;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: render-art <resources dir> [contact-sheet.png]\n";
        return 2;
    }
    const QDir root(args[1]);
    int failures = 0;
    for (const Job& job : kJobs) {
        const QString out = root.filePath(job.out);
        const bool jpeg = isJpeg(out);
        QImage image = render(root.filePath(job.svg), {job.width, job.height},
                              jpeg ? QColor(Qt::white) : QColor(Qt::transparent));
        if (jpeg)
            image = image.convertToFormat(QImage::Format_RGB32);
        if (image.isNull() || !image.save(out, nullptr, jpeg ? 92 : -1)) {
            QTextStream(stderr) << "failed: " << job.svg << " -> " << job.out << "\n";
            ++failures;
        }
    }
    if (args.size() > 2)
        contactSheet(root).save(args[2]);
    return failures == 0 ? 0 : 1;
}
