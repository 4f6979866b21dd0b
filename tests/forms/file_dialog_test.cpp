#include "platform/forms/file_dialog.h"

#include "modal_script.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace widget_test;

namespace {
const QString PictureFilter = QStringLiteral(
    "Точечный рисунок(*.bmp)|*.bmp|Любой файл|*.*|Сжатый рисунок(*.jpg,*.jpeg,*.jpe)|*.jpg;*.jpeg;*.jpe");

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}
} // namespace

TEST(FileDialog, FilterStringBecomesNameFilters)
{
    EXPECT_EQ(forms::nameFilters(PictureFilter),
              (QStringList{QStringLiteral("Точечный рисунок(*.bmp) (*.bmp *.BMP)"), QStringLiteral("Любой файл (*)"),
                           QStringLiteral("Сжатый рисунок(*.jpg,*.jpeg,*.jpe) (*.jpg *.JPG *.jpeg *.JPEG *.jpe *.JPE)")}));
    EXPECT_TRUE(forms::nameFilters(QString()).isEmpty());
    // A description without its patterns is dropped rather than turned into a filter of nothing.
    EXPECT_EQ(forms::nameFilters(QStringLiteral("Векторный формат(*.emf)|*.emf|Лишнее")).size(), 1);
}

TEST(FileDialog, ShowsTheChosenEntryAndOnlyTheDescriptions)
{
    QFileDialog dialog;
    forms::configureFileDialog(dialog, forms::FileDialogKind::Open,
                               {QStringLiteral("Открыть рисунок..."), PictureFilter, 3, QStringLiteral("bmp"), {}, {}});
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Открыть рисунок..."));
    EXPECT_EQ(forms::selectedFilterIndex(dialog), 3);
    EXPECT_EQ(dialog.selectedNameFilter(), QStringLiteral("Сжатый рисунок(*.jpg,*.jpeg,*.jpe)"));
    EXPECT_TRUE(dialog.testOption(QFileDialog::HideNameFilterDetails));
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("bmp"));
}

TEST(FileDialog, ChoiceComesBackWithItsFilterIndex)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("КОТ.BMP"));
    touch(picture);
    ModalScript script;
    script.then(chooseFile(picture, 2)).then(closeDialog());

    forms::FileDialogSettings settings{QStringLiteral("Открыть рисунок..."), PictureFilter, 1, {}, dir.path(), {}};
    ASSERT_TRUE(forms::executeFileDialog(nullptr, forms::FileDialogKind::Open, settings));
    EXPECT_EQ(QFileInfo(settings.fileName), QFileInfo(picture));
    EXPECT_EQ(settings.filterIndex, 2);

    // Cancelled: the settings keep what they held.
    EXPECT_FALSE(forms::executeFileDialog(nullptr, forms::FileDialogKind::Open, settings));
    EXPECT_EQ(settings.filterIndex, 2);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("Открыть рисунок..."));
}

TEST(FileDialog, SaveAddsTheDefaultExtension)
{
    QTemporaryDir dir;
    ModalScript script;
    script.then(chooseFile(dir.filePath(QStringLiteral("рисунок"))));
    forms::FileDialogSettings settings{QStringLiteral("Сохранить как..."), PictureFilter, 1, QStringLiteral("bmp"),
                                       dir.path(), {}};
    ASSERT_TRUE(forms::executeFileDialog(nullptr, forms::FileDialogKind::Save, settings));
    EXPECT_EQ(QFileInfo(settings.fileName).fileName(), QStringLiteral("рисунок.bmp"));
}
