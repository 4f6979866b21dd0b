#include "drawing/color_grid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace {

// The grid as the picture window sets it: 8 x 2 cells of 32 x 28, background white.
struct WindowGrid : ::testing::Test {
    QWidget host;
    TCColorGrid grid{&host};
    int changes = 0;

    void SetUp() override
    {
        grid.SetGridOrdering(go8x2);
        grid.resize(256, 56);
        host.resize(300, 100);
        host.show();
        grid.SetBackgroundIndex(15);
        grid.SetTabStop(false);
        grid.OnChange = [this](TCColorGrid*) { ++changes; };
    }

    QPoint centreOf(int cell) const { return grid.CellRect(cell).center(); }

    void mouse(QEvent::Type type, Qt::MouseButton button, QPoint pos, Qt::MouseButtons held)
    {
        QMouseEvent e(type, QPointF(pos), grid.mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
        QApplication::sendEvent(&grid, &e);
    }
    void press(Qt::MouseButton b, QPoint pos) { mouse(QEvent::MouseButtonPress, b, pos, b); }
    void move(Qt::MouseButton held, QPoint pos) { mouse(QEvent::MouseMove, Qt::NoButton, pos, held); }
    void release(Qt::MouseButton b, QPoint pos) { mouse(QEvent::MouseButtonRelease, b, pos, Qt::NoButton); }
    void key(int k, const QString& text = {})
    {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier, text);
        QApplication::sendEvent(&grid, &e);
    }
};

} // namespace

TEST_F(WindowGrid, StartsBlackOnWhiteWithTheDefaultPaletteInRowOrder)
{
    EXPECT_EQ(grid.CellWidth(), 32);
    EXPECT_EQ(grid.CellHeight(), 28);
    EXPECT_EQ(grid.GetForegroundColor(), 0x000000);
    EXPECT_EQ(grid.GetBackgroundColor(), 0xFFFFFF);
    const TColor expected[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
                                 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(grid.CellColor(i), expected[i]) << "cell " << i;
    EXPECT_EQ(grid.CellRect(9), QRect(32, 28, 32, 28));
    EXPECT_EQ(grid.CellLabel(0), "FG");
    EXPECT_EQ(grid.CellLabel(15), "BG");
}

TEST_F(WindowGrid, LeftPicksForegroundOtherButtonsBackground)
{
    press(Qt::LeftButton, centreOf(9));
    release(Qt::LeftButton, centreOf(9));
    EXPECT_EQ(grid.ForegroundIndex(), 9);
    EXPECT_EQ(grid.GetForegroundColor(), 0x0000FF); // red as a canvas colour
    press(Qt::MiddleButton, centreOf(4));
    release(Qt::MiddleButton, centreOf(4));
    EXPECT_EQ(grid.BackgroundIndex(), 4);
    EXPECT_EQ(changes, 2);

    // Picking the cell that is already the foreground is no change.
    press(Qt::LeftButton, centreOf(9));
    release(Qt::LeftButton, centreOf(9));
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(grid.hasFocus()) << "the window's grid is not a tab stop";
}

// The right button is how the grid picks the background: its context-menu request must not
// reach a parent, whose menu would open and swallow the next click.
TEST_F(WindowGrid, ARightClickOpensNoMenuOfAParent)
{
    struct MenuWatcher : QObject {
        int menus = 0;
        bool eventFilter(QObject*, QEvent* event) override
        {
            menus += event->type() == QEvent::ContextMenu;
            return false;
        }
    } watcher;
    host.installEventFilter(&watcher);
    press(Qt::RightButton, centreOf(12));
    release(Qt::RightButton, centreOf(12));
    QContextMenuEvent request(QContextMenuEvent::Mouse, centreOf(12), grid.mapToGlobal(centreOf(12)));
    QApplication::sendEvent(&grid, &request);
    EXPECT_EQ(watcher.menus, 0);
    EXPECT_EQ(grid.BackgroundIndex(), 12);
}

TEST_F(WindowGrid, ForegroundOnTheBackgroundCellShowsFBThere)
{
    grid.SetForegroundIndex(15);
    EXPECT_EQ(grid.CellLabel(15), "FB");
    EXPECT_EQ(grid.CellLabel(0), "");
    grid.EnableBackground(false);
    EXPECT_EQ(grid.CellLabel(15), "FG");
}

TEST_F(WindowGrid, RightDragRaisesOneChangePerCellAndClampsToTheEdge)
{
    press(Qt::RightButton, centreOf(0));          // 15 -> 0
    move(Qt::RightButton, centreOf(0) + QPoint(5, 0)); // same cell: nothing
    move(Qt::RightButton, centreOf(1));           // 1
    move(Qt::RightButton, centreOf(2));           // 2
    move(Qt::RightButton, centreOf(10));          // 10
    move(Qt::RightButton, QPoint(-40, 500));      // outside, clamped to the bottom-left cell 8
    release(Qt::RightButton, QPoint(-40, 500));
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(grid.BackgroundIndex(), 8);
    EXPECT_EQ(grid.Selection(), 8);
    EXPECT_EQ(grid.ForegroundIndex(), 0);

    move(Qt::NoButton, centreOf(3));
    EXPECT_EQ(grid.BackgroundIndex(), 8) << "moves after the release pick nothing";
}

TEST_F(WindowGrid, DisabledChoiceIgnoresClicksUnlessClickEnablesIt)
{
    grid.EnableForeground(false);
    press(Qt::LeftButton, centreOf(3));
    release(Qt::LeftButton, centreOf(3));
    EXPECT_EQ(grid.ForegroundIndex(), 0);
    EXPECT_EQ(changes, 0);

    grid.SetClickEnablesColor(true);
    press(Qt::LeftButton, centreOf(0)); // the old index again: still a change once re-enabled
    release(Qt::LeftButton, centreOf(0));
    EXPECT_TRUE(grid.ForegroundEnabled());
    EXPECT_EQ(grid.ForegroundIndex(), 0);
    EXPECT_EQ(changes, 1);
}

struct OrderingCase {
    TGridOrdering ordering;
    int columns;
    int rows;
};

class GridOrderings : public ::testing::TestWithParam<OrderingCase> {};

TEST_P(GridOrderings, TrimsTheControlToWholeCells)
{
    const OrderingCase& c = GetParam();
    QWidget host;
    TCColorGrid grid(&host);
    grid.SetGridOrdering(c.ordering);
    host.resize(200, 200);
    host.show();
    EXPECT_EQ(grid.Columns(), c.columns);
    EXPECT_EQ(grid.Rows(), c.rows);
    grid.resize(101, 99);
    EXPECT_EQ(grid.width(), (101 / c.columns) * c.columns);
    EXPECT_EQ(grid.height(), (99 / c.rows) * c.rows);
    EXPECT_EQ(grid.CellWidth(), 101 / c.columns);
    EXPECT_EQ(grid.SquareFromPos(grid.width() - 1, grid.height() - 1), 15);
    EXPECT_EQ(grid.SquareFromPos(-5, -5), 0);
}

INSTANTIATE_TEST_SUITE_P(All, GridOrderings,
                         ::testing::Values(OrderingCase{go16x1, 16, 1}, OrderingCase{go8x2, 8, 2},
                                           OrderingCase{go4x4, 4, 4}, OrderingCase{go2x8, 2, 8},
                                           OrderingCase{go1x16, 1, 16}));

TEST(ColorGrid, TooSmallForItsCellsStillAnswersACell)
{
    TCColorGrid grid;
    grid.SetGridOrdering(go16x1);
    grid.resize(10, 10);
    EXPECT_EQ(grid.SquareFromPos(5, 5), 0);
}

struct KeyCase {
    const char* name;
    TGridOrdering ordering;
    int from;
    int key;
    int to;
};

class GridKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(GridKeys, MoveTheSelectionWithoutAChange)
{
    const KeyCase& c = GetParam();
    TCColorGrid grid;
    grid.SetGridOrdering(c.ordering);
    grid.resize(128, 128);
    int changes = 0;
    grid.OnChange = [&](TCColorGrid*) { ++changes; };
    grid.SetSelection(c.from);
    QKeyEvent e(QEvent::KeyPress, c.key, Qt::NoModifier);
    QApplication::sendEvent(&grid, &e);
    EXPECT_EQ(grid.Selection(), c.to);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(e.isAccepted());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, GridKeys,
    ::testing::Values(KeyCase{"RightWraps", go8x2, 15, Qt::Key_Right, 0}, KeyCase{"Space", go8x2, 3, Qt::Key_Space, 4},
                      KeyCase{"LeftWraps", go8x2, 0, Qt::Key_Left, 15}, KeyCase{"Home", go4x4, 9, Qt::Key_Home, 0},
                      KeyCase{"End", go4x4, 2, Qt::Key_End, 15}, KeyCase{"Up", go4x4, 9, Qt::Key_Up, 5},
                      KeyCase{"UpFromTopRowGoesLeftOnBottom", go4x4, 2, Qt::Key_Up, 13},
                      KeyCase{"UpFromZero", go4x4, 0, Qt::Key_Up, 15}, KeyCase{"Down", go8x2, 3, Qt::Key_Down, 11},
                      KeyCase{"DownFromLastRowGoesRightOnTop", go8x2, 10, Qt::Key_Down, 3},
                      KeyCase{"DownFromLast", go8x2, 15, Qt::Key_Down, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowGrid, LettersPickTheSelectedCellAndOtherKeysPassOn)
{
    int clicks = 0;
    grid.OnClick = [&](TCColorGrid*) { ++clicks; };
    grid.SetSelection(5);
    key(Qt::Key_F, "f");
    EXPECT_EQ(grid.ForegroundIndex(), 5);
    key(Qt::Key_B, "B");
    EXPECT_EQ(grid.BackgroundIndex(), 5);
    EXPECT_EQ(grid.CellLabel(5), "FB");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(clicks, 2);

    QKeyEvent other(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, "x");
    QApplication::sendEvent(&grid, &other);
    EXPECT_FALSE(other.isAccepted());
}

TEST_F(WindowGrid, PaintsCellsBevelsAndContrastingLabels)
{
    grid.SetForegroundIndex(11); // yellow: label drawn in blue (0, 0, 255)
    const QImage shot = grid.grab().toImage();
    const QRect cell = grid.CellRect(11);
    EXPECT_EQ(shot.pixel(cell.left() + 4, cell.top() + 4), qRgb(255, 255, 0));
    EXPECT_EQ(shot.pixel(cell.topLeft()), grid.palette().color(QPalette::Button).rgb());
    EXPECT_EQ(shot.pixel(cell.left() + 1, cell.top() + 1), grid.palette().color(QPalette::Dark).rgb());
    int labelPixels = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            labelPixels += shot.pixel(x, y) == qRgb(0, 0, 255);
    EXPECT_GT(labelPixels, 5);
}
