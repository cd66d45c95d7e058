// Menus: data first, then what the QMenu shows and how it answers the keyboard and mouse.

#include "platform/modals/Menu.h"

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace kavio::platform::test {
namespace {

using ::testing::ElementsAre;

class MenuTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The row menu of a folder screen, recording what runs.
    Menu rowMenu(const QString& title = QStringLiteral("my"))
    {
        auto note = [this](const char* what) { return [this, what] { ran << what; }; };
        return {title,
                {{QStringLiteral("Rename"), QStringLiteral("pencil"), MenuElementAttributes::None, note("rename")},
                 {QStringLiteral("Image rewriting"), QStringLiteral("photo"), MenuElementAttributes::None, note("image")},
                 {QStringLiteral("Remove"), QStringLiteral("trash"), MenuElementAttributes::Destructive, note("remove")}}};
    }

    static QAction* find(const QMenu* menu, const QString& text)
    {
        for (QAction* a : menu->actions()) {
            if (a->text() == text)
                return a;
        }
        return nullptr;
    }

    static QStringList rows(const QMenu* menu)
    {
        QStringList texts;
        for (const QAction* a : menu->actions()) {
            if (!a->isSeparator())
                texts << a->text();
        }
        return texts;
    }

    static QMenu* openPopup() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }

    // Pixels clearly red (the destructive colour) in the text part and the symbol part of
    // an action's row.
    static std::pair<int, int> redPixels(QMenu* menu, QAction* action)
    {
        const QImage image = menu->grab(menu->actionGeometry(action)).toImage();
        const int symbolStart = image.width() - 40;
        std::pair<int, int> count{0, 0};
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.red() > 200 && c.green() < 130 && c.blue() < 130)
                    ++(x < symbolStart ? count.first : count.second);
            }
        }
        return count;
    }

    QWidget parent;
    QStringList ran;
};

TEST_F(MenuTest, TitleRowsComeFirstAndCannotBeChosenAndDestructiveRowsAreRedTextAndImage)
{
    std::unique_ptr<QMenu> menu(makeQMenu(rowMenu(QStringLiteral("my\nvideos")), nullptr));
    EXPECT_THAT(rows(menu.get()), ElementsAre("my\nvideos", "Rename", "Image rewriting", "Remove"));
    menu->popup(QPoint(0, 0));
    QAction* title = find(menu.get(), QStringLiteral("my\nvideos"));
    EXPECT_GE(menu->actionGeometry(title).height(), 2 * menu->fontMetrics().height() * 0.8) << "both lines show";

    QTest::mouseMove(menu.get(), menu->actionGeometry(title).center());
    EXPECT_NE(menu->activeAction(), title);
    QTest::mouseClick(menu.get(), Qt::LeftButton, {}, menu->actionGeometry(title).center());
    EXPECT_TRUE(menu->isVisible()) << "a click on the title neither chooses nor closes";
    QTest::keyClick(menu.get(), Qt::Key_Down);
    EXPECT_EQ(menu->activeAction(), find(menu.get(), QStringLiteral("Rename")));
    QTest::keyClick(menu.get(), Qt::Key_Up);
    QTest::keyClick(menu.get(), Qt::Key_Up);
    EXPECT_NE(menu->activeAction(), title) << "the keyboard skips the title too";
    EXPECT_TRUE(ran.isEmpty());

    QAction* remove = find(menu.get(), QStringLiteral("Remove"));
    QAction* rename = find(menu.get(), QStringLiteral("Rename"));
    EXPECT_FALSE(rename->icon().isNull());
    const auto [text, symbol] = redPixels(menu.get(), remove);
    EXPECT_GT(text, 40);
    EXPECT_GT(symbol, 20);
    EXPECT_EQ(redPixels(menu.get(), rename), std::make_pair(0, 0));
    menu->setActiveAction(remove); // selected, it must stay red
    EXPECT_GT(redPixels(menu.get(), remove).first, 40);
}


TEST_F(MenuTest, PopUpRunsTheChosenHandlerAfterTheMenuClosedThenDeletesItAndNoneOnceItsParentIsGone)
{
    bool menuWasOpen = true;
    Menu menu = rowMenu();
    menu.children[2].handler = [&] { menuWasOpen = openPopup() != nullptr; ran << "remove"; };
    popUpMenu(menu, QPoint(10, 10), &parent);
    QPointer<QMenu> shown = openPopup();
    ASSERT_FALSE(shown.isNull());
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(shown, Qt::Key_Down);
    QTest::keyClick(shown, Qt::Key_Return);
    EXPECT_TRUE(ran.isEmpty()) << "never inside the menu's own event handling";
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_THAT(ran, ElementsAre("remove"));
    EXPECT_FALSE(menuWasOpen);
    EXPECT_TRUE(shown.isNull());

    auto owner = std::make_unique<QWidget>();
    popUpMenu(rowMenu(), QPoint(10, 10), owner.get());
    QTest::keyClick(openPopup(), Qt::Key_Down);
    QTest::keyClick(openPopup(), Qt::Key_Return);
    owner.reset();
    QCoreApplication::processEvents();
    EXPECT_THAT(ran, ElementsAre("remove"));
}

TEST_F(MenuTest, MenuButtonOpensItsProvidersCurrentMenuOnClickSpaceAndEnter)
{
    parent.resize(300, 200);
    auto* button = new MenuButton(QStringLiteral("ellipsis.circle"), &parent);
    parent.show();
    int state = 0;
    button->setMenuProvider([&] {
        return Menu{{}, {{QStringLiteral("Item %1").arg(state), {}, MenuElementAttributes::None, [&] { ran << "item"; }}}};
    });

    const std::vector<std::function<void()>> opens{
        [&] { QTest::mouseClick(button, Qt::LeftButton); },
        [&] { QTest::keyClick(button, Qt::Key_Space); },
        [&] { QTest::keyClick(button, Qt::Key_Return); },
    };
    for (const auto& open : opens) {
        ++state;
        open();
        QMenu* shown = openPopup();
        ASSERT_NE(shown, nullptr) << "state " << state;
        EXPECT_EQ(shown, button->openMenu());
        EXPECT_THAT(rows(shown), ElementsAre(QStringLiteral("Item %1").arg(state)));
        QTest::keyClick(shown, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_TRUE(ran.isEmpty());
}

} // namespace
} // namespace kavio::platform::test
