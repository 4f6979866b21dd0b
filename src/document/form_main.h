#pragma once
// The picture window: one open picture inside the frame, with its menus, tool bars, rulers,
// status bar and view. It owns its components and fields and keeps the handler names; what a
// handler does lives with the subsystem it belongs to (undo in editing, tools in drawing).

#include "drawing/drawing_tool.h"
#include "drawing/figure_host.h"
#include "drawing/picture_mouse.h"
#include "platform/forms/color_dialog.h"
#include "platform/forms/file_dialog.h"
#include "platform/forms/font_dialog.h"
#include "drawing/tool_state.h"
#include "editing/snapshot_store.h"
#include "editing/undo_history.h"
#include "editing/image_scroll_box.h"
#include "editing/selection.h"
#include "editing/view_options.h"
#include "imaging/commands/color_commands.h"
#include "platform/forms/mdi_child.h"
#include "platform/framework/graphics_types.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <memory>
#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMenu;
class QStatusBar;
class QToolBar;
class QToolButton;
class TBitmap;
class TCColorGrid;
class TDibGraphic;
class TGraphic;
class TImage;
class TImageScrollBox;
class TLabeledSlider;
class TSlider;
class TUpDown;
namespace forms {
class BarDocking;
}
namespace recovery {
class RecoveryJournal;
struct RecoveredPicture;
}

class TFormMain : public QMainWindow, public forms::MdiChild, private UndoHistory::Host {
    Q_OBJECT
public:
    // The work image's size when the window is made, and what the frame's New offers.
    static constexpr int InitialImageWidth = 1324;
    static constexpr int InitialImageHeight = 651;
    static constexpr std::array<int, 4> StatusPanelWidths = {150, 150, 150, 50};

    // Builds the window as a child of the frame's client area (null: a free window, for tests).
    explicit TFormMain(QMdiArea* frameArea = nullptr);
    ~TFormMain() override;

    // ---- Fields ----
    bool Drawing = false;
    TPoint PressPoint{0, 0};
    TPoint MovePoint{0, 0};
    DrawingTool CurrentTool() const { return Toolbox.CurrentTool; }
    bool NewSelectionPending = true;
    bool SelectionFrameShown = false;
    bool SelectAllArmed = true;
    bool Modified = false;
    QString FileName;
    bool OpenedAsJpeg = false;
    // The class the file was read with, when it is one of the picture-format classes: Save
    // writes that format again after editing has turned the held picture into a bitmap.
    std::unique_ptr<TGraphic> OpenedFormat;
    bool ButtonReleased = false;
    int MoveCount = 0;
    std::unique_ptr<TBitmap> SelectionBackup;
    TPoint PointerPoint{0, 0};
    TPoint SavedScrollPos{0, 0};
    TRect SelectionRect{0, 0, 0, 0};

    // Tool, pen, brush and colour state; the undo history and its slots.
    ToolState Toolbox;
    SnapshotStore UndoImages;
    UndoHistory History;

    // ---- Window-level components ----
    std::unique_ptr<TImage> Image;
    QStatusBar* StatusBar1 = nullptr;
    std::array<QLabel*, 4> StatusPanels{};
    QToolBar* Panel1 = nullptr;
    QToolBar* PenBar = nullptr;
    QToolBar* _3DBar1 = nullptr;
    QToolBar* ScaleBar = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QToolBar* ToolBar2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    TLabeledSlider* LabeledSlider1 = nullptr;
    TLabeledSlider* LabeledSlider2 = nullptr;
    TImageScrollBox* ImageScrollBox1 = nullptr;
    // The window's file dialogs, kept between uses like the dialog components they stand for.
    forms::FileDialogSettings OpenDialog1{QStringLiteral("Открыть рисунок..."), {}, 1, QStringLiteral("bmp"), {}, {}};
    forms::FileDialogSettings SaveDialog1{QStringLiteral("Сохранить рисунок как..."), {}, 1, {}, {}, {}};
    TColorDialog ColorDialog1;
    TFontDialog FontDialog1;
    forms::FileDialogSettings OpPictDlg{QStringLiteral("Открыть текстуру..."),
                                        QStringLiteral("Точечные рисунки (*.bmp)|*.bmp"), 1, {}, {}, {}};
    forms::FileDialogSettings ImportDialog{QStringLiteral("Импорт..."),
                                           QStringLiteral("Векторный формат(*.emf)|*.emf"), 1, {}, {}, {}};
    forms::FileDialogSettings ExportDialog{QStringLiteral("Экспорт..."),
                                           QStringLiteral("Векторный формат(*emf)|*.emf"), 1, QStringLiteral("emf"), {}, {}};

    // ---- Menus (all five in merge group 0) ----
    QMenu* File1 = nullptr;
    QAction* NewPict = nullptr;
    QAction* Open1 = nullptr;
    QAction* OpenWith1 = nullptr;
    QAction* Scan = nullptr;
    QAction* Import = nullptr;
    QAction* Close1 = nullptr;
    QAction* Sep1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* Saveas1 = nullptr;
    QAction* Export = nullptr;
    QAction* PrintSetup = nullptr;
    QAction* Print1 = nullptr;
    QAction* PrintPreview1 = nullptr;
    QAction* Sep2 = nullptr;
    QAction* Exit1 = nullptr;

    QMenu* Edit1 = nullptr;
    QAction* Undo1 = nullptr;
    QAction* Redo1 = nullptr;
    QAction* Sep3 = nullptr;
    QAction* Cut1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QAction* Delete = nullptr;
    QAction* SelectAll = nullptr;

    QMenu* ViewItem = nullptr;
    QAction* Tools = nullptr;
    QAction* Styles = nullptr;
    QAction* _3DFigures = nullptr;
    QAction* Scale = nullptr;
    QAction* Rulers = nullptr;
    QAction* Sep6 = nullptr;
    QAction* AntiAliasing = nullptr;
    QAction* Centered = nullptr;
    QAction* Sep5 = nullptr;
    QAction* Font1 = nullptr;

    QMenu* Color = nullptr;
    QAction* color2 = nullptr;
    QAction* Gray16 = nullptr;
    QAction* Gray256 = nullptr;
    QAction* Colors16 = nullptr;
    QAction* Color256 = nullptr;
    QAction* RGB24 = nullptr;
    QAction* Obratyt1 = nullptr;

    QMenu* t1 = nullptr;
    QAction* Texture1 = nullptr;
    QAction* Sep4 = nullptr;
    QAction* TransColor = nullptr;
    QAction* Contrast = nullptr;
    QAction* Sharp = nullptr;
    QAction* AntiAlias = nullptr;
    QAction* Sat = nullptr;
    QAction* Trns = nullptr;

    // Whole-picture geometry, after the effects; "Вставить как новый рисунок" ends "&Редактировать".
    QMenu* Image1 = nullptr;
    QAction* FlipHorizontal = nullptr;
    QAction* FlipVertical = nullptr;
    QAction* Sep7 = nullptr;
    QAction* RotateClockwise = nullptr;
    QAction* RotateCounterClockwise = nullptr;
    QAction* Rotate180 = nullptr;
    QAction* RotateAngle = nullptr;
    QAction* Sep8 = nullptr;
    QAction* PictureSize = nullptr;
    QAction* CropToSelection = nullptr;
    QAction* PasteAsNew = nullptr;

    forms::MenuItems MainMenu1;

    // The zoom menu, shown as buttons on ScaleMenu.
    QMenu* PopupMenu1 = nullptr;
    QAction* Actual = nullptr;
    QAction* InWidth = nullptr;
    QAction* InHeight = nullptr;
    QAction* ByPage = nullptr;
    QAction* Sep12 = nullptr;
    QAction* Sep11 = nullptr;

    // ---- Tool panel ----
    QToolButton* LineButton = nullptr;
    QToolButton* RectangleButton = nullptr;
    QToolButton* EllipseButton = nullptr;
    QToolButton* RoundRectButton = nullptr;
    QToolButton* PenBut = nullptr;
    QToolButton* Penn = nullptr;
    QToolButton* IButton = nullptr;
    QToolButton* Sel = nullptr;
    QLabel* colo = nullptr;
    QLineEdit* bkclr = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QToolButton* Text = nullptr;
    QToolButton* Vydelenie = nullptr;
    QToolButton* Pencil1 = nullptr;
    QToolButton* Fill = nullptr;
    TSlider* TrackBar2 = nullptr;

    // ---- Styles bar ----
    QToolButton* SolidPen = nullptr;
    QToolButton* DashPen = nullptr;
    QToolButton* DotPen = nullptr;
    QToolButton* DashDotPen = nullptr;
    QToolButton* DashDotDotPen = nullptr;
    QToolButton* ClearPen = nullptr;
    QToolButton* PenColor = nullptr;
    QToolButton* ViewButton = nullptr;
    QLineEdit* PenSize = nullptr;
    TUpDown* PenWidth = nullptr;
    QToolButton* SolidBrush = nullptr;
    QToolButton* ClearBrush = nullptr;
    QToolButton* HorizontalBrush = nullptr;
    QToolButton* VerticalBrush = nullptr;
    QToolButton* FDiagonalBrush = nullptr;
    QToolButton* BDiagonalBrush = nullptr;
    QToolButton* CrossBrush = nullptr;
    QToolButton* DiagCrossBrush = nullptr;
    QToolButton* BrushColor = nullptr;
    QToolButton* Rasp = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    TCColorGrid* CColorGrid1 = nullptr;
    TSlider* TrackBar1 = nullptr;

    // ---- 3-D figures bar ----
    QToolButton* Plus1 = nullptr;
    QToolButton* Cube1 = nullptr;
    QToolButton* Circle1 = nullptr;
    QToolButton* Cylinder1 = nullptr;
    QToolButton* Tor1 = nullptr;
    QToolButton* Top1 = nullptr;
    QToolButton* Conus = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QToolButton* Proug = nullptr;

    // ---- Zoom bar ----
    QLineEdit* ScaleEdit = nullptr;
    TUpDown* ScaleUpDown = nullptr;
    QToolBar* ScaleMenu = nullptr;

    // The view's picture.
    TDibGraphic* GetGraphic() const;
    // What figures and picture commands see of this window (RunPictureCommand runs over it).
    FigureHost& Host() { return *figureHost_; }
    // The text of a status panel.
    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);
    // "Размер:%d Х %d" with the work image's height and width.
    void ShowPictureSize();

    // ---- Handlers ----
    void New1Click();
    // Metafile import and export (metafile_commands.cpp).
    void ImportClick();
    void ExportClick();
    void Close1Click();
    // Closes the window without asking: for a window whose picture could not be made.
    void Discard();
    void Exit1Click();
    bool FormCloseQuery();
    void FormClose();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void PrintSetupClick();
    void Print1Click();
    void PrintPreview1Click();
    void OpenWith1Click();
    void ScanClick();
    // Receives each scanned page (a packed DIB); the view shows the last one.
    void ScannedImage(void* dib, int xDpi, int yDpi, intptr_t userData);

    void DrawBfr() { History.DrawBfr(); }
    // A snapshot whose undo also brings back the picture's size and format.
    void DrawBfrWithSize();
    // A geometry command gave the picture its size.
    void PictureSizeFromGeometry() { sizeFromGeometry_ = true; }
    void Undo1Click()
    {
        History.Undo1Click();
        JournalChange();
    }
    void Redo1Click()
    {
        History.Redo1Click();
        JournalChange();
    }

    // Crash recovery (form_main_recovery.cpp). A change of the picture has completed: it goes
    // to the window's recovery journal once the event that made it is over.
    void JournalChange();
    // A change recorded for later is written now: the next change is about to begin.
    void JournalPendingChange();
    // The picture is in its file now: the journal starts again at the next change.
    void JournalSaved();
    recovery::RecoveryJournal& Journal() { return *journal_; }
    // A new window with a picture recovered from a journal, its name, format and Modified set;
    // the journal it came from goes once this window's own is on the disk.
    static TFormMain* RestoreRecovered(QMdiArea* frameArea, const recovery::RecoveredPicture& recovered);

    void LineButtonClick() { Toolbox.ChooseTool(dtLine); }
    void RectangleButtonClick() { Toolbox.ChooseTool(dtRectangle); }
    void EllipseButtonClick() { Toolbox.ChooseTool(dtEllipse); }
    void RoundRectButtonClick() { Toolbox.ChooseTool(dtRoundRect); }
    void PenButClick() { Toolbox.ChooseTool(dtSector); }
    void PennClick() { Toolbox.ChooseTool(dtArc); }
    void IButtonClick() { Toolbox.ChooseTool(dtSide); }
    void Pencil1Click() { Toolbox.ChooseTool(dtPencil); }
    void FillClick() { Toolbox.ChooseTool(dtFill); }
    void SelClick() { Toolbox.ChooseTool(dtEraser); }
    void RaspClick() { Toolbox.ChooseTool(dtPickBrushColor); }
    void Paste1Click();
    void Cut1Click();
    void Copy1Click() { selection_->Copy1Click(); }
    void DeleteClick();
    void SelectAllClick() { selection_->SelectAllClick(); }
    // The selection frame, the selection tool and paste mode.
    Selection& SelectionTool() { return *selection_; }
    void ViewButtonClick() { Toolbox.ChooseTool(dtPickPenColor); }
    void VydelenieClick();
    void Plus1Click() { Toolbox.ChooseTool(dtPlus3D); }
    void Cube1Click() { Toolbox.ChooseTool(dtBox3D); }
    void Circle1Click() { Toolbox.ChooseTool(dtEllipsoid3D); }
    void Cylinder1Click() { Toolbox.ChooseTool(dtCylinder3D); }
    void Tor1Click() { Toolbox.ChooseTool(dtTorus3D); }
    void Top1Click() { Toolbox.ChooseTool(dtFrame3D); }
    void ConusClick() { Toolbox.ChooseTool(dtCone3D); }
    void SpeedButton1Click() { Toolbox.ChooseTool(dtJug3D); }
    void TextClick();
    void ProugClick() { Toolbox.ChooseTool(dtSpring3D); }
    void SetPenStyle(QObject* sender);
    void SetBrushStyle(QObject* sender);
    void PenColorClick();
    void BrushColorClick();
    void PenSizeChange();
    void CColorGrid1Change();
    void Font1Click() { ToolState::Font1Click(FontDialog1, this); }

    void color2Click() { ConvertColorDepthCommand(Host(), ifBlackWhite); }
    void Gray16Click() { ConvertColorDepthCommand(Host(), ifGray16); }
    void Gray256Click() { ConvertColorDepthCommand(Host(), ifGray256); }
    void Colors16Click() { ConvertColorDepthCommand(Host(), ifColor16); }
    void Color256Click() { ConvertColorDepthCommand(Host(), ifColor256); }
    void RGB24Click() { ConvertColorDepthCommand(Host(), ifTrueColor); }
    void Obratyt1Click() { InvertColorsCommand(Host()); }

    // Canvas size, zoom and view options.
    void TrackBar1Change();
    void TrackBar2Change();
    void CheckBox1Click() { viewOptions_->CheckBox1Click(); }
    void ScaleEditChange();
    void ActualClick();
    void InWidthClick();
    void InHeightClick();
    void ByPageClick();
    void ToolsClick() { viewOptions_->ToolsClick(); }
    void StylesClick() { viewOptions_->StylesClick(); }
    void _3DFiguresClick() { viewOptions_->_3DFiguresClick(); }
    void ScaleClick() { viewOptions_->ScaleClick(); }
    void RulersClick() { viewOptions_->RulersClick(); }
    void AntiAliasingClick() { viewOptions_->AntiAliasingClick(); }
    void CenteredClick() { viewOptions_->CenteredClick(); }

    // "&Эффекты": each asks first and changes nothing when cancelled.
    void TransColorClick();
    void ContrastClick();
    void SharpClick();
    void AntiAliasClick();
    void SatClick();
    void Texture1Click();
    void TrnsClick();

    // "&Изображение" (form_main_image.cpp): each changes the whole picture as one undo step.
    void FlipHorizontalClick();
    void FlipVerticalClick();
    void RotateClockwiseClick();
    void RotateCounterClockwiseClick();
    void Rotate180Click();
    void RotateAngleClick();
    void PictureSizeClick();
    // Does nothing unless a selection frame is shown.
    void CropToSelectionClick();
    // The clipboard's picture in a new untitled window; nothing without one.
    void PasteAsNewClick();

    // Press, drag and release on the picture (view coordinates); every button draws.
    void FormMouseDown(int x, int y) { pictureMouse_->MouseDown(x, y); }
    void FormMouseMove(int x, int y) { pictureMouse_->MouseMove(x, y); }
    void FormMouseUp(int x, int y) { pictureMouse_->MouseUp(x, y); }

    // forms::MdiChild
    forms::MenuItems mergedMenus() const override { return MainMenu1; }
    bool CloseQuery() override { return FormCloseQuery(); }

    // Creates a picture window in the frame's client area, sets FormMain to it and shows it
    // maximised.
    static TFormMain* Create(QMdiArea* frameArea);
    // New for the frame (issuing null: the new window's own size is offered) and for a
    // picture window (its work image's size is offered).
    static TFormMain* NewPicture(QMdiArea* frameArea, const TFormMain* issuing);
    // The frame's client area the window lives in (null for a free window).
    QMdiArea* FrameArea() const { return frameArea_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // UndoHistory::Host
    bool selectToolActive() const override { return Toolbox.CurrentTool == dtSelect; }
    void storeSnapshot(int slot) override;
    void prepareWorkImage() override;
    void restoreSnapshot(int slot) override;
    // The picture becomes the slot's picture, size and format included; the work image follows.
    void restoreSnapshotWithSize(int slot);
    bool selectionFrameShown() const override { return SelectionFrameShown; }
    void dropSelection() override;
    void setUndoEnabled(bool enabled) override;
    void setRedoEnabled(bool enabled) override;

    void createMenus();
    // "&Изображение" and the item it adds to "&Редактировать".
    void createImageMenu();
    // The geometry commands start without the selection: its frame and rectangle belong to the
    // picture as it was.
    void dropSelectionForGeometry();
    void createToolPanel();
    void createStylesBar();
    void create3DBar();
    void createZoomBar();
    void createRulerBars();
    void createStatusBar();
    void createView();
    // Gives the work image a new white bitmap of w x h in the screen's format, refusing sizes
    // that are not positive or that memory cannot hold; on refusal nothing has changed.
    void setWorkImageSize(int width, int height);
    void placeRulerCorner();
    // The zoom commands end by handing the truncated zoom to the up-down.
    void fitZoom(TZoomMode mode);
    void connectViewCommands();
    // The frame the window's bars may dock on besides the window itself.
    QMainWindow* dockingSite() const;

    QMdiArea* frameArea_ = nullptr;
    std::unique_ptr<forms::BarDocking> barDocking_;
    QList<QObject*> penStyleButtons_;
    QList<QObject*> brushStyleButtons_;
    bool closing_ = false;
    std::unique_ptr<FigureHost> figureHost_;
    std::unique_ptr<PictureMouse> pictureMouse_;
    std::unique_ptr<ViewOptions> viewOptions_;
    std::unique_ptr<Selection> selection_;
    // The frames each undo slot's picture showed when it was taken; the slots hold it without.
    std::array<std::vector<TRect>, UndoHistory::SlotCount> snapshotFrames_;
    // Slots whose undo restores the size as well as the pixels, and whether the next one is.
    std::array<bool, UndoHistory::SlotCount> sizedSnapshots_{};
    bool nextSnapshotWithSize_ = false;
    // The picture's size came from a geometry command (or the undo of one) rather than from the
    // size sliders: every snapshot then keeps its size, so that undo and redo across the
    // command always find the picture at the size it had. The sliders keep pixels-only undo.
    bool sizeFromGeometry_ = false;
    // Writes what was changed into the journal, unless a change is still under way.
    void recordJournal();
    std::unique_ptr<recovery::RecoveryJournal> journal_;
    bool journalPending_ = false;

};

// The picture window created last; only the command that creates a window reads it.
extern TFormMain* FormMain;
