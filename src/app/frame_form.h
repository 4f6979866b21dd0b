#pragma once
// The frame: the main window, a multiple-document frame holding the picture windows, with the
// commands that create, arrange, close and explain them.

#include "platform/forms/file_dialog.h"
#include "platform/forms/menu_merge.h"

#include <QMainWindow>
#include <QString>

#include <memory>

class PictureReadAhead;
class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;

class TFrameForm : public QMainWindow {
    Q_OBJECT
public:
    enum class TileMode { Horizontal, Vertical };

    // The help page: looked for in the working directory first, then where the program installs
    // it (share/pictavo).
    static constexpr auto HelpFileName = "Пиктаво.htm";

    explicit TFrameForm(QWidget* parent = nullptr);
    ~TFrameForm() override;

    // The working directory when the frame was created; config.ini lives there.
    QString ProgramDir;
    // The picture last opened with the frame's Open, as config.ini said when the frame was made.
    QString HistoryName;
    static constexpr auto ConfigFileName = "config.ini";
    QString ConfigPath() const;

    QMdiArea* ClientArea = nullptr;

    QMenu* File1 = nullptr;
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* Import = nullptr;
    QAction* Sep = nullptr;
    QAction* Hist1 = nullptr;
    QAction* Sep1 = nullptr;
    QAction* Exit1 = nullptr;

    QMenu* Help = nullptr;
    QAction* Help1 = nullptr;
    QAction* About = nullptr;

    QMenu* Window1 = nullptr;
    QAction* Tile1 = nullptr;
    QAction* Tile2 = nullptr;
    QAction* Cascade1 = nullptr;
    QAction* Arrangeicons1 = nullptr;
    QAction* Sep3 = nullptr;
    QAction* Close_all = nullptr;

    // The frame's file dialogs, kept between uses like the dialog components they stand for.
    forms::FileDialogSettings OpenFileDialog{
        QStringLiteral("Открыть рисунок..."),
        QStringLiteral("Точечный рисунок(*.bmp)|*.bmp|Любой файл|*.*|Значки(*.ico)|*.ico|Указатели(*.cur)|*.cur|"
                       "Сжатый рисунок(*.jpg,*.jpeg,*.jpe)|*.jpg;*.jpeg;*.jpe|Рисунок TIFF(*.tif)|*.tif"),
        1, QStringLiteral("bmp"), {}, {}};
    forms::FileDialogSettings ImportDialog{QStringLiteral("Импорт..."),
                                           QStringLiteral("Векторный формат(*.emf)|*.emf"), 1, {}, {}, {}};

    TileMode tileMode() const { return tileMode_; }

    // Puts a child form into the frame; the sub-window is deleted when it closes.
    QMdiSubWindow* addChildForm(QWidget* form);
    // The children, the topmost first: index 0 is the active one.
    QList<QMdiSubWindow*> MDIChildren() const;

    // The window list's entries at the end of "&Окна", one per child in creation order.
    QList<QAction*> windowListActions() const { return windowList_; }
    void updateWindowMenu();

    // Commands that create picture windows.
    virtual void New1Click();
    virtual void Open1Click();
    virtual void ImportClick();
    virtual void Hist1Click();

    // Opens each file in a new picture window, in order, as dropped files are; the first that
    // cannot be read stops the rest with its error.
    // The first file's read may have begun already (readAhead): it is taken, not repeated.
    void OpenFilesByName(const QStringList& fileNames, PictureReadAhead* readAhead = nullptr);

    void Exit1Click();
    void Help1Click();
    void AboutClick();
    void Tile1Click();
    void Tile2Click();
    void Cascade1Click();
    void Arrangeicons1Click();
    void Close_allClick();

signals:
    // The frame closed for good: the program ends.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // Opens files dropped on the frame, each in a new picture window.
    virtual void openDroppedFiles(const QStringList& fileNames) { OpenFilesByName(fileNames); }

private:
    void createMenus();
    void readRecentFile();
    // The undo history's budget from config.ini, and its notice when the disk will not take it.
    void setUpUndoHistory();
    void mergeActiveChildMenus();
    void tile(TileMode mode);

    TileMode tileMode_ = TileMode::Horizontal;
    std::unique_ptr<forms::MenuMerger> menuMerger_;
    QAction* windowListSeparator_ = nullptr;
    QList<QAction*> windowList_;
};

extern TFrameForm* FrameForm;
