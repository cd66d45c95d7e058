#include "platform/screens/Window.h"

#include "platform/screens/NavigationBar.h"
#include "platform/screens/TabBar.h"
#include "platform/screens/ViewController.h"
#include "platform/screens/ViewControllerTransition.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHideEvent>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace kavio::platform {

namespace {
constexpr QSize kPhoneWindowSize{390, 844};

// Whole appearance transitions without animation; `chain` runs from the top screen down,
// screens appear from the bottom up.
void settleAppearance(std::vector<ViewController*> chain, Appearance appearance)
{
    if (appearance == Appearance::Appearing)
        std::reverse(chain.begin(), chain.end());
    for (ViewController* vc : chain)
        vc->beginAppearanceTransition(appearance, Animated::No);
    for (ViewController* vc : chain)
        vc->endAppearanceTransition();
}

} // namespace

Window::Window(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setupContent();
}

Window::~Window()
{
    // Controllers go before the widgets: each deletes its own view, and none of them is
    // left pointing at a widget Qt already destroyed.
    if (root_) {
        root_->prepareForDestruction();
        root_->window_ = nullptr;
        root_.reset();
    }
}

void Window::setupContent()
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    content_ = new QWidget(this);
    content_->setObjectName(QStringLiteral("kavio-window-content"));
    layout->addWidget(content_);
}

ViewController* Window::topViewController() const
{
    return root_ ? root_->topMostPresented() : nullptr;
}

void Window::setRootViewController(std::unique_ptr<ViewController> root)
{
    if (root && root.get() == root_.get())
        return;
    const bool shown = isVisible();
    std::unique_ptr<ViewController> old = std::move(root_);
    if (old) {
        if (shown)
            settleAppearance(old->topMostPresented()->onScreenChain(), Appearance::Disappearing);
        old->window_ = nullptr;
    }
    root_ = std::move(root);
    if (root_) {
        root_->window_ = this;
        QWidget* rootView = root_->view();
        fillHost(content_, rootView);
        rootView->show();
        rootView->lower();
        if (shown) {
            root_->beginAppearanceTransition(Appearance::Appearing, Animated::No);
            root_->endAppearanceTransition();
        }
    }
    ViewController::retire(std::move(old));
}

void Window::makeKeyAndVisible()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    if (mode_ == WindowMode::FullScreen)
        showFullScreen();
    else
        show();
    raise();
    activateWindow();
}

QScreen* Window::secondaryScreen(const QList<QScreen*>& screens, const QScreen* primary)
{
    if (screens.size() < 2)
        return nullptr;
    for (QScreen* screen : screens) {
        if (screen && screen != primary)
            return screen;
    }
    return nullptr;
}

void Window::placeForCarDisplay()
{
    if (QScreen* car = secondaryScreen(QGuiApplication::screens(), QGuiApplication::primaryScreen())) {
        setScreen(car);
        setGeometry(car->geometry());
        mode_ = WindowMode::FullScreen;
        return;
    }
    mode_ = WindowMode::Windowed;
    resize(kCarWindowSize);
    if (QScreen* primary = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), kCarWindowSize);
        frame.moveCenter(primary->availableGeometry().center());
        move(frame.topLeft());
    }
}

void Window::placeForKiosk(QScreen* screen)
{
    kiosk_ = true;
    mode_ = WindowMode::FullScreen;
    setWindowFlag(Qt::FramelessWindowHint);
    if (screen) {
        setScreen(screen);
        setGeometry(screen->geometry());
    }
}

void Window::placeForPhone()
{
    mode_ = WindowMode::Windowed;
    setMinimumSize(kPhoneMinimumSize);
    QSize size = kPhoneWindowSize;
    if (QScreen* primary = QGuiApplication::primaryScreen())
        size = size.boundedTo(primary->availableGeometry().size() - QSize(0, 60));
    resize(size);
}

void Window::closeFromProgram()
{
    closingFromProgram_ = true;
    close();
    closingFromProgram_ = false;
}

// Spontaneous show and hide events come from minimising and restoring; the phone
// platform does not treat those as screens appearing or disappearing.
void Window::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    closing_ = false;
    if (ViewController* top = topViewController())
        settleAppearance(top->onScreenChain(), Appearance::Appearing);
}

void Window::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    if (ViewController* top = topViewController())
        settleAppearance(top->onScreenChain(), Appearance::Disappearing);
    if (std::exchange(closing_, false))
        Q_EMIT closed();
}

void Window::closeEvent(QCloseEvent* event)
{
    // Qt 6.4 marks the window system's close (Alt+F4, a compositor's gesture) no
    // differently from the program's: a kiosk takes only its own.
    if (kiosk_ && !closingFromProgram_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    if (!event->isAccepted())
        return;
    // Qt hides the window right after an accepted close; closed() follows that hide so
    // listeners see the screens already gone. A window closed while hidden gets no hide.
    if (isVisible())
        closing_ = true;
    else
        Q_EMIT closed();
}

namespace {

// Content first, then the navigation bar, then the tab bar.
int band(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        if (qobject_cast<const TabBar*>(w))
            return 2;
        if (qobject_cast<const NavigationBar*>(w))
            return 1;
    }
    return 0;
}

} // namespace

std::vector<QWidget*> Window::tabOrder() const
{
    ViewController* top = topViewController();
    const QWidget* screen = top && top->isViewLoaded() ? top->view() : content_;
    std::vector<QWidget*> order;
    // The focus chain keeps each part's own order (a form's fields, then its button).
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(this)
            && (w == screen || screen->isAncestorOf(w)))
            order.push_back(w);
    }
    std::stable_sort(order.begin(), order.end(), [this](const QWidget* a, const QWidget* b) {
        const int bandA = band(a);
        const int bandB = band(b);
        if (bandA != bandB)
            return bandA < bandB;
        return bandA > 0 && a->mapTo(this, QPoint()).x() < b->mapTo(this, QPoint()).x();
    });
    return order;
}

void Window::changeEvent(QEvent* event)
{
    // A window made active with nothing focused starts where Tab would: its content.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !focusWidget()) {
        const std::vector<QWidget*> order = tabOrder();
        if (!order.empty())
            order.front()->setFocus(Qt::ActiveWindowFocusReason);
    }
    QWidget::changeEvent(event);
}

bool Window::focusNextPrevChild(bool next)
{
    const std::vector<QWidget*> order = tabOrder();
    if (order.empty())
        return QWidget::focusNextPrevChild(next);
    const auto at = std::find(order.begin(), order.end(), focusWidget());
    std::size_t index = 0;
    if (at == order.end())
        index = next ? 0 : order.size() - 1;
    else if (next)
        index = (static_cast<std::size_t>(at - order.begin()) + 1) % order.size();
    else
        index = (static_cast<std::size_t>(at - order.begin()) + order.size() - 1) % order.size();
    order[index]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

} // namespace kavio::platform
