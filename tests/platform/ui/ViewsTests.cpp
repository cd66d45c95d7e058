// The small views the car screens are built from, checked by their pixels.

#include "UiTestSupport.h"

#include "platform/BlurView.h"
#include "platform/CircleButton.h"
#include "platform/Labels.h"
#include "platform/Window.h"

#include <QDir>
#include <QLabel>
#include <QPainter>

namespace kavio::platform::test {
namespace {

// Set KAVIO_SCREENSHOT_DIR to keep what the tests render, for a look by eye.
void keepScreenshot(const QImage& image, const QString& name)
{
    const QString dir = qEnvironmentVariable("KAVIO_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        image.save(QDir(dir).filePath(name));
}

// A pixel by its position in points, whatever the screen density.
QColor at(const QImage& image, int x, int y)
{
    const qreal ratio = image.devicePixelRatio();
    return image.pixelColor(qRound(x * ratio), qRound(y * ratio));
}

bool isNear(const QColor& a, const QColor& b, int tolerance = 8)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

QWidget* darkPanel(QWidget* parent, QSize size)
{
    auto* panel = new QWidget(parent);
    panel->resize(size);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, QColor(20, 20, 22));
    panel->setPalette(palette);
    return panel;
}

TEST(CircleButtonTest, IsThirtyPointsAndClicks)
{
    CircleButton button(QStringLiteral("xmark"));
    EXPECT_EQ(button.size(), QSize(30, 30));
    int clicks = 0;
    QObject::connect(&button, &CircleButton::clicked, [&] { ++clicks; });
    button.click();
    EXPECT_EQ(clicks, 1);
}

TEST(CircleButtonTest, DrawsRingAndCentredSymbol)
{
    QWidget host;
    QWidget* panel = darkPanel(&host, {30, 30});
    auto* button = new CircleButton(QStringLiteral("xmark"), panel);
    button->setBorderColor(QColor(120, 120, 128));
    button->setTintColor(Qt::white);
    const QImage image = panel->grab().toImage();
    keepScreenshot(image.scaled(240, 240), QStringLiteral("circle-button.png"));
    EXPECT_TRUE(isNear(at(image, 15, 15), Qt::white, 40)) << "symbol at the centre";
    EXPECT_TRUE(isNear(at(image, 15, 0), QColor(120, 120, 128), 50)) << "ring at the top edge";
    EXPECT_TRUE(isNear(at(image, 1, 1), QColor(20, 20, 22))) << "corners stay clear";
    EXPECT_TRUE(isNear(at(image, 15, 5), QColor(20, 20, 22))) << "inside the ring, outside the symbol";
}

TEST(BlurViewTest, DarkensWhatLiesBeneath)
{
    QWidget host;
    host.resize(40, 40);
    host.setAutoFillBackground(true);
    QPalette palette = host.palette();
    palette.setColor(QPalette::Window, Qt::white);
    host.setPalette(palette);
    auto* blur = new BlurView(&host);
    blur->setGeometry(0, 0, 20, 40);
    const QImage image = host.grab().toImage();
    EXPECT_TRUE(isNear(at(image, 10, 20), QColor(102, 102, 102), 3));
    EXPECT_TRUE(isNear(at(image, 30, 20), Qt::white, 0));
}

TEST(SizeTextLabelTest, HasTheSizeTextLook)
{
    QLabel* label = makeSizeTextLabel(QStringLiteral("12.3 MB"));
    std::unique_ptr<QLabel> owned(label);
    EXPECT_EQ(label->font().pixelSize(), 10);
    EXPECT_EQ(label->height(), 15);
    EXPECT_EQ(label->maximumHeight(), 15);
    EXPECT_EQ(label->alignment(), Qt::AlignCenter);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(170, 170, 170));
}

// The car player's side column as the screens will compose it: a translucent panel with
// the close button and a size label over a picture.
TEST(CarColumnLookTest, CloseButtonStandsOutOnTheDarkPanel)
{
    QWidget screen;
    screen.resize(120, 200);
    screen.setAutoFillBackground(true);
    QPalette palette = screen.palette();
    palette.setColor(QPalette::Window, QColor(90, 140, 200));
    screen.setPalette(palette);
    auto* column = new BlurView(&screen);
    column->setGeometry(0, 0, 60, 200);
    auto* close = new CircleButton(QStringLiteral("xmark"), column);
    close->setBorderColor(QColor(200, 200, 200));
    close->move(15, 10);
    QLabel* size = makeSizeTextLabel(QStringLiteral("12.3 MB"), column);
    size->setGeometry(0, 50, 60, 15);
    const QImage image = screen.grab().toImage();
    keepScreenshot(image.scaled(480, 800), QStringLiteral("car-column.png"));
    EXPECT_TRUE(isNear(at(image, 30, 25), Qt::white, 40));
    EXPECT_LT(at(image, 30, 150).lightness(), at(image, 90, 150).lightness());
}

// A modal with a close button over a bright root: the window shows the modal on top.
class CloseButtonModal : public ViewController {
protected:
    void loadView() override
    {
        auto* panel = new BlurView;
        panel->setFillColor(QColor(28, 28, 30));
        auto* close = new CircleButton(QStringLiteral("xmark"), panel);
        close->setBorderColor(QColor(200, 200, 200));
        close->move(15, 15);
        QObject::connect(close, &CircleButton::clicked, this, [this] { dismiss(Animated::Yes); });
        setView(panel);
    }
};

class BrightRoot : public ViewController {
protected:
    void loadView() override
    {
        auto* view = new QWidget;
        view->setAutoFillBackground(true);
        QPalette palette = view->palette();
        palette.setColor(QPalette::Window, QColor(240, 155, 58));
        view->setPalette(palette);
        setView(view);
    }
};

TEST(ModalLookTest, PresentedModalIsDrawnAboveTheRoot)
{
    setAnimationsEnabled(false);
    Window window;
    window.resize(Window::kCarWindowSize);
    window.setRootViewController(std::make_unique<BrightRoot>());
    window.show();
    const QImage before = window.grab().toImage();
    window.rootViewController()->present(std::make_unique<CloseButtonModal>(), Animated::No);
    const QImage after = window.grab().toImage();
    keepScreenshot(after, QStringLiteral("modal-over-root.png"));
    EXPECT_TRUE(isNear(at(before, 400, 240), QColor(240, 155, 58)));
    EXPECT_TRUE(isNear(at(after, 400, 240), QColor(28, 28, 30)));
    EXPECT_TRUE(isNear(at(after, 30, 30), Qt::white, 40)) << "the close button's cross";
}

} // namespace
} // namespace kavio::platform::test
