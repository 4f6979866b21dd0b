#include "app/frame_form.h"

#include "app/about_box.h"
#include "app/mdi_layout.h"
#include "document/form_main.h"
#include "document/metafile_commands.h"
#include "platform/forms/desktop.h"
#include "platform/forms/error_display.h"
#include "platform/forms/mdi_child.h"
#include "platform/forms/modal.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>

TFrameForm* FrameForm = nullptr;

namespace {
constexpr QSize FrameSize(858, 554);
// 0x00EEDEBE as the frame stores it: blue 0xEE, green 0xDE, red 0xBE.
constexpr QColor ClientBackground(190, 222, 238);
constexpr int FileGroup = 0;
constexpr int HelpGroup = 9;
constexpr int WindowGroup = 9;

QString menuCaption(const QString& text)
{
    // A caption's own "&" is not an access key.
    return QString(text).replace(QLatin1Char('&'), QLatin1String("&&"));
}
} // namespace

TFrameForm::TFrameForm(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Пиктаво"));
    setWindowIcon(QIcon(QStringLiteral(":/frame_icon.png")));

    QFont frameFont(QStringLiteral("DejaVu Sans"));
    frameFont.setPixelSize(13);
    frameFont.setBold(true);
    setFont(frameFont);

    ClientArea = new QMdiArea(this);
    ClientArea->setBackground(ClientBackground);
    setCentralWidget(ClientArea);
    connect(ClientArea, &QMdiArea::subWindowActivated, this, [this] {
        mergeActiveChildMenus();
        updateWindowMenu();
    });

    createMenus();

    resize(FrameSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(FrameSize.width() / 2, FrameSize.height() / 2));

    ProgramDir = QDir::currentPath();
    setAcceptDrops(true);
    readRecentFile();
    setUpUndoHistory();
}

TFrameForm::~TFrameForm()
{
    // The area outlives this part of the frame while the children are torn down.
    ClientArea->disconnect(this);
}

void TFrameForm::createMenus()
{
    // Every command goes through the default error display, also when triggered directly.
    auto addCommand = [this](QMenu* menu, const QString& caption, void (TFrameForm::*handler)()) {
        QAction* action = menu->addAction(caption);
        connect(action, &QAction::triggered, this, forms::command([this, handler] { (this->*handler)(); }));
        return action;
    };

    File1 = new QMenu(QStringLiteral("&Файл"), this);
    New1 = addCommand(File1, QStringLiteral("&Новый"), &TFrameForm::New1Click);
    Open1 = addCommand(File1, QStringLiteral("&Открыть..."), &TFrameForm::Open1Click);
    Import = addCommand(File1, QStringLiteral("&Импорт..."), &TFrameForm::ImportClick);
    Sep = File1->addSeparator();
    Hist1 = addCommand(File1, QString(), &TFrameForm::Hist1Click);
    Hist1->setVisible(false);
    Sep1 = File1->addSeparator();
    Sep1->setVisible(false);
    Exit1 = addCommand(File1, QStringLiteral("&Выход"), &TFrameForm::Exit1Click);

    Help = new QMenu(QStringLiteral("Справка"), this);
    Help1 = addCommand(Help, QStringLiteral("&Справка..."), &TFrameForm::Help1Click);
    About = addCommand(Help, QStringLiteral("О программе..."), &TFrameForm::AboutClick);

    Window1 = new QMenu(QStringLiteral("&Окна"), this);
    Tile1 = addCommand(Window1, QStringLiteral("&Сверху вниз"), &TFrameForm::Tile1Click);
    Tile2 = addCommand(Window1, QStringLiteral("Слева направо"), &TFrameForm::Tile2Click);
    Cascade1 = addCommand(Window1, QStringLiteral("&Каскадом"), &TFrameForm::Cascade1Click);
    Arrangeicons1 = addCommand(Window1, QStringLiteral("&Упорядочить"), &TFrameForm::Arrangeicons1Click);
    Sep3 = Window1->addSeparator();
    Close_all = addCommand(Window1, QStringLiteral("&Закрыть всё"), &TFrameForm::Close_allClick);
    windowListSeparator_ = Window1->addSeparator();
    windowListSeparator_->setVisible(false);
    connect(Window1, &QMenu::aboutToShow, this, &TFrameForm::updateWindowMenu);

    // Every item carries its component name, so that tests and scripts find it.
    const std::pair<QObject*, const char*> names[] = {
        {File1, "File1"}, {New1, "New1"}, {Open1, "Open1"}, {Import, "Import"}, {Sep, "Sep"}, {Hist1, "Hist1"},
        {Sep1, "Sep1"}, {Exit1, "Exit1"}, {Help, "Help"}, {Help1, "Help1"}, {About, "About"}, {Window1, "Window1"},
        {Tile1, "Tile1"}, {Tile2, "Tile2"}, {Cascade1, "Cascade1"}, {Arrangeicons1, "Arrangeicons1"}, {Sep3, "Sep3"},
        {Close_all, "Close_all"}};
    for (const auto& [object, name] : names)
        object->setObjectName(QLatin1String(name));

    menuMerger_ = std::make_unique<forms::MenuMerger>(
        menuBar(), forms::MenuItems{{File1, FileGroup}, {Help, HelpGroup}, {Window1, WindowGroup}});
}

QMdiSubWindow* TFrameForm::addChildForm(QWidget* form)
{
    QMdiSubWindow* subWindow = ClientArea->addSubWindow(form);
    subWindow->setAttribute(Qt::WA_DeleteOnClose);
    // A child deleted without closing: looked at again once it is gone from the area's list.
    connect(subWindow, &QObject::destroyed, this, [this] {
        mergeActiveChildMenus();
        updateWindowMenu();
    }, Qt::QueuedConnection);
    return subWindow;
}

QList<QMdiSubWindow*> TFrameForm::MDIChildren() const
{
    QList<QMdiSubWindow*> children = ClientArea->subWindowList(QMdiArea::StackingOrder);
    std::reverse(children.begin(), children.end());
    return children;
}

void TFrameForm::mergeActiveChildMenus()
{
    QMdiSubWindow* active = ClientArea->currentSubWindow();
    if (active && !ClientArea->subWindowList().contains(active))
        active = nullptr;
    const forms::MdiChild* child = forms::mdiChildOf(active);
    menuMerger_->merge(child ? child->mergedMenus() : forms::MenuItems{});
}

void TFrameForm::updateWindowMenu()
{
    qDeleteAll(windowList_);
    windowList_.clear();
    const QList<QMdiSubWindow*> children = ClientArea->subWindowList(QMdiArea::CreationOrder);
    QMdiSubWindow* active = ClientArea->currentSubWindow();
    windowListSeparator_->setVisible(!children.isEmpty());
    for (QMdiSubWindow* child : children) {
        QAction* entry = Window1->addAction(menuCaption(child->windowTitle()));
        entry->setCheckable(true);
        entry->setChecked(child == active);
        QPointer<QMdiSubWindow> target(child);
        connect(entry, &QAction::triggered, this, [this, target] {
            if (target)
                ClientArea->setActiveSubWindow(target);
        });
        windowList_.append(entry);
    }
}

void TFrameForm::New1Click()
{
    TFormMain::NewPicture(ClientArea, nullptr);
}

void TFrameForm::ImportClick()
{
    ImportMetafile(this, ClientArea, ImportDialog);
}

void TFrameForm::Exit1Click()
{
    close();
}

void TFrameForm::closeEvent(QCloseEvent* event)
{
    // The frame is the main window: every child is asked first, and one refusal keeps all open.
    for (QMdiSubWindow* subWindow : MDIChildren()) {
        forms::MdiChild* child = forms::mdiChildOf(subWindow);
        if (child && !child->CloseQuery()) {
            event->ignore();
            return;
        }
    }
    event->accept();
    emit closed();
}

void TFrameForm::Help1Click()
{
    // A page in the working folder comes first; else the copy installed with the program, beside
    // the program's own prefix or in the desktop's data folders. Nothing is reported when there is
    // none, so the desktop is not even asked then.
    const QString name = QString::fromUtf8(HelpFileName);
    QString page;
    if (const QFileInfo local(QDir::current(), name); local.isFile()) {
        page = local.absoluteFilePath();
    } else if (const QFileInfo beside(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/pictavo/") + name);
               beside.isFile()) {
        page = beside.canonicalFilePath();
    } else {
        page = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("pictavo/") + name);
    }
    if (!page.isEmpty())
        forms::OpenUrl(QUrl::fromLocalFile(page));
}

void TFrameForm::AboutClick()
{
    if (AboutBox)
        forms::Modal::exec(*AboutBox);
}

void TFrameForm::tile(TileMode mode)
{
    tileMode_ = mode;
    QList<QMdiSubWindow*> windows;
    QList<QMdiSubWindow*> icons;
    for (QMdiSubWindow* child : ClientArea->subWindowList(QMdiArea::CreationOrder)) {
        if (child->isHidden())
            continue;
        (child->isMinimized() ? icons : windows).append(child);
    }
    QRect area = ClientArea->viewport()->rect();
    // Icons keep the bottom row for themselves.
    if (!icons.isEmpty()) {
        int iconHeight = 0;
        for (const QMdiSubWindow* icon : icons)
            iconHeight = std::max(iconHeight, icon->height());
        area.setBottom(area.bottom() - iconHeight);
    }
    const QList<QRect> rects = mdi_layout::tile(area, windows.size(),
                                                mode == TileMode::Horizontal ? mdi_layout::Stacking::AboveEachOther
                                                                             : mdi_layout::Stacking::SideBySide);
    for (int i = 0; i < windows.size(); ++i) {
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(rects[i]);
    }
}

void TFrameForm::Tile1Click()
{
    tile(TileMode::Horizontal);
}

void TFrameForm::Tile2Click()
{
    tile(TileMode::Vertical);
}

void TFrameForm::Cascade1Click()
{
    ClientArea->cascadeSubWindows();
}

void TFrameForm::Arrangeicons1Click()
{
    QList<QMdiSubWindow*> icons;
    QList<QSize> sizes;
    for (QMdiSubWindow* child : ClientArea->subWindowList(QMdiArea::CreationOrder)) {
        if (child->isMinimized() && !child->isHidden()) {
            icons.append(child);
            sizes.append(child->size());
        }
    }
    const QList<QRect> rects = mdi_layout::arrangeIcons(ClientArea->viewport()->rect(), sizes);
    for (int i = 0; i < icons.size(); ++i)
        icons[i]->move(rects[i].topLeft());
}

void TFrameForm::Close_allClick()
{
    // A sub-window that agrees leaves the list at once; the loop walks a copy taken before, so
    // every index keeps naming the window it named at the start.
    const QList<QMdiSubWindow*> children = MDIChildren();
    QList<QPointer<QMdiSubWindow>> guarded(children.begin(), children.end());
    for (qsizetype i = guarded.size() - 1; i >= 0; --i) {
        if (guarded[i])
            guarded[i]->close();
    }
}

void TFrameForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TFrameForm::dropEvent(QDropEvent* event)
{
    QStringList fileNames;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            fileNames.append(url.toLocalFile());
    }
    event->acceptProposedAction();
    forms::command([this, &fileNames] { openDroppedFiles(fileNames); })();
}
