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

struct Job {
    const char* svg;
    const char* png;
    int size;
};

// Row icons are drawn for 80 px; tab icons are 30 points with a 2x variant that QIcon
// and QPixmap pick up on high-density screens.
const std::vector<Job> kJobs = {
    {"icons/folder.svg", "icons/folder.png", 80},
    {"icons/mp4.svg", "icons/mp4.png", 80},
    {"icons/mp4_preview.svg", "icons/mp4_preview.png", 500},
    {"kavio.svg", "AppIcon76x76.png", 76},
    {"icons/download.svg", "icons/download.png", 30},
    {"icons/download.svg", "icons/download@2x.png", 60},
    {"icons/support.svg", "icons/support.png", 30},
    {"icons/support.svg", "icons/support@2x.png", 60},
};

QImage render(const QString& svgPath, QSize size)
{
    QSvgRenderer renderer(svgPath);
    if (!renderer.isValid())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
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
        const QImage icon(root.filePath(kJobs[i].png));
        p.drawImage(QRect(int(i) * cell + 4, 2 * cell + 4, 48, 48), icon);
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
        const QImage image = render(root.filePath(job.svg), {job.size, job.size});
        if (image.isNull() || !image.save(root.filePath(job.png))) {
            QTextStream(stderr) << "failed: " << job.svg << " -> " << job.png << "\n";
            ++failures;
        }
    }
    if (args.size() > 2)
        contactSheet(root).save(args[2]);
    return failures == 0 ? 0 : 1;
}
