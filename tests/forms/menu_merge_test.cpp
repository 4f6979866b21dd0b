#include "platform/forms/menu_merge.h"

#include <QMenu>
#include <QMenuBar>

#include <gtest/gtest.h>

#include <memory>

namespace {

QStringList titles(const forms::MenuItems& items)
{
    QStringList result;
    for (const forms::MenuItem& item : items)
        result.append(item.menu->title());
    return result;
}

QStringList barTitles(const QMenuBar& bar)
{
    QStringList result;
    for (const QAction* action : bar.actions())
        result.append(action->text());
    return result;
}

struct MergeRow {
    const char* name;
    QList<std::pair<const char*, int>> frame;
    QList<std::pair<const char*, int>> child;
    QStringList expected;
};

class MergeMenus : public ::testing::TestWithParam<MergeRow> {
protected:
    forms::MenuItems make(const QList<std::pair<const char*, int>>& entries)
    {
        forms::MenuItems items;
        for (const auto& [title, group] : entries) {
            menus_.push_back(std::make_unique<QMenu>(QString::fromUtf8(title)));
            items.append({menus_.back().get(), group});
        }
        return items;
    }

private:
    std::vector<std::unique_ptr<QMenu>> menus_;
};

} // namespace

TEST_P(MergeMenus, Order)
{
    const MergeRow& row = GetParam();
    EXPECT_EQ(titles(forms::mergeMenus(make(row.frame), make(row.child))), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MergeMenus,
    ::testing::Values(
        MergeRow{"NoChild", {{"F", 0}, {"H", 9}, {"W", 9}}, {}, {"F", "H", "W"}},
        MergeRow{"ChildReplacesGroupZero",
                 {{"F", 0}, {"H", 9}, {"W", 9}},
                 {{"f", 0}, {"e", 0}, {"v", 0}, {"c", 0}, {"x", 0}},
                 {"f", "e", "v", "c", "x", "H", "W"}},
        MergeRow{"ChildGroupBetweenFrameGroups",
                 {{"F", 0}, {"H", 9}},
                 {{"m", 5}},
                 {"F", "m", "H"}},
        MergeRow{"ChildGroupAfterAll", {{"F", 0}, {"H", 9}}, {{"z", 12}}, {"F", "H", "z"}},
        MergeRow{"ChildReplacesEveryFrameItemOfItsGroup",
                 {{"F", 0}, {"H", 9}, {"W", 9}},
                 {{"h", 9}},
                 {"F", "h"}}),
    [](const ::testing::TestParamInfo<MergeRow>& info) { return std::string(info.param.name); });

TEST(MenuMerger, BarFollowsTheChildAndComesBack)
{
    QMenuBar bar;
    QMenu file(QStringLiteral("&Файл")), help(QStringLiteral("Справка")), windows(QStringLiteral("&Окна"));
    forms::MenuMerger merger(&bar, {{&file, 0}, {&help, 9}, {&windows, 9}});
    EXPECT_EQ(barTitles(bar), (QStringList{"&Файл", "Справка", "&Окна"}));

    auto childFile = std::make_unique<QMenu>(QStringLiteral("&Файл"));
    auto childEdit = std::make_unique<QMenu>(QStringLiteral("&Редактировать"));
    merger.merge({{childFile.get(), 0}, {childEdit.get(), 0}});
    EXPECT_EQ(barTitles(bar), (QStringList{"&Файл", "&Редактировать", "Справка", "&Окна"}));
    EXPECT_EQ(bar.actions().first(), childFile->menuAction());

    merger.unmerge();
    EXPECT_EQ(bar.actions().first(), file.menuAction());
    EXPECT_EQ(barTitles(bar), (QStringList{"&Файл", "Справка", "&Окна"}));
    // The child's menus stay its own: taking them off the bar must not delete them.
    EXPECT_EQ(childEdit->title(), QStringLiteral("&Редактировать"));
}
