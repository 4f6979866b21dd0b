// A seeded random session of the whole editor: the frame and its picture windows as the program
// makes them, driven only the way a user drives them (menu items, tool buttons, mouse on the view,
// keys on sliders and edits, dialogs answered at random, the clipboard), with checks after every
// step. The same seed replays the same session, so a failure can be replayed up to its step.
//
//   session_driver --seed 7 --steps 1000 [--dir DIR] [--stop-on-failure] [--verbose]
//
// Exit status: 0 when every step passed its checks, 1 otherwise; a crash or a sanitizer report
// ends the process, and the step log (printed as it goes to the log file) tells where.

#include "app/frame_form.h"
#include "app/startup.h"
#include "document/form_main.h"
#include "document/print_commands.h"
#include "document/up_down.h"
#include "drawing/color_grid.h"
#include "editing/image_scroll_box.h"
#include "imaging/dib_graphic.h"
#include "platform/forms/application.h"
#include "platform/forms/desktop.h"
#include "platform/forms/modal.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/image.h"
#include "platform/framework/picture.h"
#include "platform/gdi/dib_surface.h"
#include "widget_input.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMap>
#include <QScopeGuard>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <QKeyEvent>

#include <malloc.h>
#include <unistd.h>

// Present when the sanitizers are linked in.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

#include <atomic>
#include <csignal>
#include <cstring>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <random>
#include <thread>

namespace {

struct Options {
    uint64_t seed = 1;
    long steps = 1000;
    QString dir;
    bool stopOnFailure = false;
    bool verbose = false;
    // Steps slower than this on pictures up to a megapixel fail the check.
    int answerMs = 2000;
    // A step still running after this long is a hang: the process aborts with the step named.
    int hangSeconds = 300;
    long rssStep = 10000;
    // From this step on, the active window's picture is written beside the log after every step.
    long dumpFrom = 0;
};

constexpr int MaxWindows = 10;
constexpr qint64 MegaPixel = 1000 * 1000;

// Types the text into the widget key by key, any letters (the test library's own typing knows
// only ASCII).
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(widget, &release);
    }
}

// What a crash prints: the seed and the step it happened in, written from the signal handler.
char crashNote[256] = "";

void onCrash(int signal)
{
    const ssize_t written = ::write(2, crashNote, std::strlen(crashNote));
    (void)written;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// The bytes the program's heap holds live: unlike resident memory, not raised by the sanitizer's
// own quarantine and stack records, so growth here is the program's.
long heapKiB()
{
    if (&__sanitizer_get_current_allocated_bytes)
        return static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
    return static_cast<long>(mallinfo2().uordblks / 1024);
}

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

class Rng {
public:
    explicit Rng(uint64_t seed) : engine_(seed) {}
    // 0 .. n-1
    int below(int n) { return n <= 1 ? 0 : static_cast<int>(engine_() % static_cast<uint64_t>(n)); }
    int between(int lo, int hi) { return lo + below(hi - lo + 1); }
    bool chance(double p) { return static_cast<double>(engine_() % 1000000) < p * 1000000.0; }
    template <class T>
    T pick(const QList<T>& list) { return list[below(static_cast<int>(list.size()))]; }

private:
    std::mt19937_64 engine_;
};

// What a picture is, for comparing two moments: the work image's stored pixels, depth and colour
// table, and the pixels the view shows.
struct PictureState {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    uint64_t workHash = 0;
    uint64_t viewHash = 0;
    friend bool operator==(const PictureState&, const PictureState&) = default;
};

uint64_t fnv(uint64_t hash, const void* data, size_t size)
{
    return qHashBits(data, size, static_cast<size_t>(hash)) * 1099511628211ull + size;
}

PictureState stateOf(TFormMain& window)
{
    PictureState state;
    // Read without settling or converting anything: the check must not change what it checks.
    if (TImage* image = window.Image.get()) {
        if (auto* bitmap = dynamic_cast<TBitmap*>(image->Picture()->Graphic())) {
            if (const gdi::DibSurface* surface = bitmap->Surface()) {
                const gdi::DibSurface& s = *surface;
                state.width = s.width();
                state.height = s.height();
                state.bitsPerPixel = s.bitsPerPixel();
                uint64_t hash = 1469598103934665603ull;
                const size_t rowBits = static_cast<size_t>(s.width()) * static_cast<size_t>(s.bitsPerPixel());
                for (int y = 0; y < s.height(); ++y)
                    hash = fnv(hash, s.scanLine(y), rowBits / 8);
                if (!s.colorTable().empty())
                    hash = fnv(hash, s.colorTable().data(), s.colorTable().size() * sizeof(gdi::RgbQuad));
                state.workHash = hash;
            }
        }
    }
    if (const TDibGraphic* view = window.GetGraphic()) {
        // The view is true colour: its rows' pixel bytes are what it shows.
        uint64_t hash = 1469598103934665603ull;
        const size_t rowBits = static_cast<size_t>(view->GetWidth()) * view->BitmapInfo().bmiHeader.biBitCount;
        for (int y = 0; y < view->GetHeight(); ++y)
            hash = fnv(hash, view->ScanLine(y), rowBits / 8);
        state.viewHash = hash;
    }
    return state;
}

qint64 pixelsOf(TFormMain& window)
{
    const TDibGraphic* view = window.GetGraphic();
    return view ? qint64(view->GetWidth()) * view->GetHeight() : 0;
}

class Session : public QObject {
public:
    explicit Session(Options options) : options_(std::move(options)), rng_(options_.seed) {}

    void start();
    int failures() const { return failures_; }

private:
    using Answer = std::function<void(QDialog&)>;

    void runNextStep();
    void takeStep();
    void checkAfterStep(qint64 elapsedMs, qint64 pixelsBefore);
    void fail(const QString& reason);
    void note(const QString& line);
    void finish();

    // Dialogs
    void answer(QDialog& dialog);
    void answerFileDialog(QFileDialog& dialog);
    void fillFields(QDialog& dialog);
    QString randomNumberText();

    // Steps
    QList<TFormMain*> windows() const;
    TFormMain* activeWindow() const;
    QList<QAction*> menuActions();
    void stepMenu();
    void stepSave(TFormMain& window);
    void triggerMenuItem(QAction* action);
    void stepToolButton(TFormMain& window);
    void stepDrag(TFormMain& window);
    void stepZoom(TFormMain& window);
    void stepEdit(TFormMain& window);
    void stepSlider(TFormMain& window);
    void stepColorGrid(TFormMain& window);
    void stepClipboard();
    void stepClose(TFormMain& window);
    void stepActivate();
    void checkUndoRedo(TFormMain& window);
    void checkSavedFile(TFormMain& window, bool viaSaveAs);
    void comparePictures(TFormMain& window, TFormMain& reopened, const QString& path, bool lossy);
    void keepSessionSmall();
    void makeCorpus();
    QString filePath(const QString& name) const { return QDir(options_.dir).filePath(QStringLiteral("pictures/") + name); }

    Options options_;
    Rng rng_;
    long step_ = 0;
    int failures_ = 0;
    long slowSteps_ = 0;
    qint64 slowestMs_ = 0;
    QString slowestStep_;
    long dialogsAnswered_ = 0;
    long saveChecks_ = 0;
    long undoChecks_ = 0;
    int savedCount_ = 0;
    bool errorShown_ = false;
    bool fileAccepted_ = false;
    bool inStep_ = false;
    QStringList current_;     // what the current step did, dialogs included
    std::deque<QString> recent_;  // the last steps, for the failure report
    std::deque<Answer> forced_;   // answers a check gives instead of random ones
    QList<QDialog*> handling_;    // the dialogs being answered, innermost last
    FILE* log_ = nullptr;
    QTimer watchdog_;
    std::atomic<qint64> stepStartedMs_{0};
    std::atomic<long> runningStep_{0};
    QElapsedTimer clock_;
};

void Session::note(const QString& line)
{
    current_.append(line);
    // Written at once, so that a crash leaves the step's last action in the log.
    if (log_) {
        std::fprintf(log_, " | %s", qPrintable(line));
        std::fflush(log_);
    }
}

void Session::fail(const QString& reason)
{
    ++failures_;
    std::fprintf(stderr, "\nFAILED at step %ld (seed %llu): %s\n", step_,
                 static_cast<unsigned long long>(options_.seed), qPrintable(reason));
    std::fprintf(stderr, "Last steps:\n");
    for (const QString& line : recent_)
        std::fprintf(stderr, "  %s\n", qPrintable(line));
    std::fprintf(stderr, "  %s\n", qPrintable(current_.join(QStringLiteral(" | "))));
    std::fprintf(stderr, "Replay: session_driver --seed %llu --steps %ld --verbose\n\n",
                 static_cast<unsigned long long>(options_.seed), step_);
    if (log_) {
        std::fprintf(log_, "\nFAILED at step %ld: %s\n", step_, qPrintable(reason));
        std::fflush(log_);
    }
    if (options_.stopOnFailure) {
        std::fflush(stderr);
        std::_Exit(1);
    }
}

// ---- Dialogs -------------------------------------------------------------------------------

QString Session::randomNumberText()
{
    const int kind = rng_.below(100);
    if (kind < 55)
        return QString::number(rng_.between(1, 400));
    if (kind < 80)
        return QString::number(rng_.between(1, 1000));
    if (kind < 84)
        return QStringLiteral("0");
    if (kind < 87)
        return QString::number(-rng_.between(1, 500));
    if (kind < 90)
        return QString();
    if (kind < 93)
        return QStringLiteral("абв");
    if (kind < 95)
        return QStringLiteral("2147483648");
    if (kind < 97)
        return QStringLiteral(" 12,5 ");
    return QString::number(rng_.between(1000, 3000));
}

void Session::fillFields(QDialog& dialog)
{
    for (QWidget* widget : dialog.findChildren<QWidget*>()) {
        if (!widget->isVisible() || !widget->isEnabled() || !rng_.chance(0.5))
            continue;
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(widget)) {
            if (QLineEdit* edit = spin->findChild<QLineEdit*>()) {
                edit->selectAll();
                typeText(edit, randomNumberText());
            }
            spin->interpretText();
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (qobject_cast<QAbstractSpinBox*>(edit->parentWidget()) || edit->isReadOnly())
                continue;
            if (qobject_cast<QComboBox*>(edit->parentWidget()))
                continue;
            edit->selectAll();
            edit->del();
            typeText(edit, randomNumberText());
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (combo->count() > 0)
                combo->setCurrentIndex(rng_.below(combo->count()));
        } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
            if (qobject_cast<QScrollBar*>(slider))
                continue;
            slider->setFocus();
            static const QList<Qt::Key> keys = {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home,
                                                Qt::Key_End, Qt::Key_Left, Qt::Key_Right};
            for (int i = rng_.between(1, 4); i > 0; --i)
                widget_test::keyClick(slider, rng_.pick(keys));
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            check->click();
        } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            radio->click();
        }
    }
}

void Session::answerFileDialog(QFileDialog& dialog)
{
    const int choice = rng_.below(100);
    if (choice < 12) {
        note(QStringLiteral("cancel"));
        static_cast<QDialog&>(dialog).reject();
        return;
    }
    if (choice < 15) {
        note(QStringLiteral("close"));
        return;
    }
    const QStringList filters = dialog.nameFilters();
    if (!filters.isEmpty() && rng_.chance(0.7)) {
        const int index = rng_.below(static_cast<int>(filters.size()));
        dialog.selectNameFilter(filters[index]);
        note(QStringLiteral("filter %1").arg(index + 1));
    }
    QString path;
    const QStringList existing = QDir(filePath(QString())).entryList(QDir::Files, QDir::Name);
    if (dialog.acceptMode() == QFileDialog::AcceptOpen) {
        if (existing.isEmpty() || rng_.chance(0.05))
            path = filePath(QStringLiteral("нет такого.bmp"));
        else
            path = filePath(rng_.pick(existing));
    } else {
        static const QStringList extensions = {QStringLiteral(".bmp"),  QStringLiteral(".bmp"), QStringLiteral(".png"),
                                               QStringLiteral(".jpg"),  QStringLiteral(".tif"), QStringLiteral(".webp"),
                                               QStringLiteral(".ico"),  QStringLiteral(".cur"), QStringLiteral(".emf"),
                                               QStringLiteral(".pcx"),  QStringLiteral(""),     QStringLiteral(".txt")};
        if (!existing.isEmpty() && rng_.chance(0.2))
            path = filePath(rng_.pick(existing));
        else
            path = filePath(QStringLiteral("сохранён %1%2").arg(++savedCount_ % 40).arg(rng_.pick(extensions)));
    }
    note(QStringLiteral("file \"%1\"").arg(QFileInfo(path).fileName()));
    dialog.selectFile(path);
    static_cast<QDialog&>(dialog).accept();
    // Declining to replace a file keeps the dialog open: nothing was chosen.
    fileAccepted_ = !dialog.isVisible() && dialog.result() == QDialog::Accepted;
}

void Session::answer(QDialog& dialog)
{
    ++dialogsAnswered_;
    QString title = dialog.windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        title += QStringLiteral(": ") + box->text();
        if (box->icon() == QMessageBox::Critical)
            errorShown_ = true;
    }
    note(QStringLiteral("dialog %1 \"%2\"").arg(QString::fromLatin1(dialog.metaObject()->className()), title));
    handling_.append(&dialog);
    const auto done = qScopeGuard([this] { handling_.removeLast(); });
    if (!forced_.empty()) {
        Answer forced = std::move(forced_.front());
        forced_.pop_front();
        forced(dialog);
        return;
    }
    if (auto* fileDialog = qobject_cast<QFileDialog*>(&dialog)) {
        answerFileDialog(*fileDialog);
        return;
    }
    const int choice = rng_.below(100);
    if (choice < 8) {
        note(QStringLiteral("close"));
        return;
    }
    if (!qobject_cast<QMessageBox*>(&dialog) && choice < 75)
        fillFields(dialog);
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (qobject_cast<QPushButton*>(button) && button->isVisible() && button->isEnabled())
            buttons.append(button);
    }
    if (buttons.isEmpty()) {
        note(QStringLiteral("no button: close"));
        return;
    }
    QPointer<QAbstractButton> button = rng_.pick(buttons);
    note(QStringLiteral("press \"%1\"").arg(button->text()));
    button->click();
    // Buttons that do not end the dialog (a colour picker, Apply): end it as a user would next.
    if (dialog.isVisible() && rng_.chance(0.5)) {
        for (QAbstractButton* other : dialog.findChildren<QAbstractButton*>()) {
            if (auto* push = qobject_cast<QPushButton*>(other); push && push->isDefault() && push->isVisible()) {
                note(QStringLiteral("press \"%1\"").arg(push->text()));
                push->click();
                break;
            }
        }
    }
}

// ---- Steps -----------------------------------------------------------------------------------

QList<TFormMain*> Session::windows() const
{
    QList<TFormMain*> result;
    for (QMdiSubWindow* sub : FrameForm->ClientArea->subWindowList(QMdiArea::CreationOrder))
        if (auto* form = qobject_cast<TFormMain*>(sub->widget()))
            result.append(form);
    return result;
}

TFormMain* Session::activeWindow() const
{
    // The current one, not the active one: activation follows the display's focus, which comes
    // back to the frame at its own pace after a dialog, and a replay must not depend on it.
    QMdiSubWindow* sub = FrameForm->ClientArea->currentSubWindow();
    return sub ? qobject_cast<TFormMain*>(sub->widget()) : nullptr;
}

// Every item the menu bar offers now, as a user opening each menu would find it.
QList<QAction*> Session::menuActions()
{
    QList<QAction*> found;
    std::function<void(QWidget*)> collect = [&](QWidget* container) {
        for (QAction* action : container->actions()) {
            if (action->isSeparator() || !action->isVisible() || !action->isEnabled())
                continue;
            if (QMenu* menu = action->menu()) {
                emit menu->aboutToShow();
                collect(menu);
                emit menu->aboutToHide();
                continue;
            }
            // Leaving the program ends the session.
            if (action->text() == QStringLiteral("&Выход"))
                continue;
            found.append(action);
        }
    };
    collect(FrameForm->menuBar());
    return found;
}

void Session::stepMenu()
{
    QList<QAction*> actions = menuActions();
    if (windows().size() >= MaxWindows) {
        actions.removeIf([](QAction* action) {
            return action == FrameForm->New1 || action == FrameForm->Open1 || action == FrameForm->Import ||
                   action == FrameForm->Hist1 || action->text().contains(QStringLiteral("Новый")) ||
                   action->text().contains(QStringLiteral("Открыть")) ||
                   action->text().contains(QStringLiteral("Вставить как новый")) ||
                   action->text().contains(QStringLiteral("Импорт")) || action->text().contains(QStringLiteral("Сканировать"));
        });
    }
    if (actions.isEmpty())
        return;
    triggerMenuItem(rng_.pick(actions));
}

// Saving is a small share of all the menu items, yet what most needs checking: a step of its own.
void Session::stepSave(TFormMain& window)
{
    QAction* action = rng_.chance(0.4) ? window.Save1 : window.Saveas1;
    if (action->isEnabled() && action->isVisible())
        triggerMenuItem(action);
}

void Session::triggerMenuItem(QAction* action)
{
    note(QStringLiteral("menu \"%1\"").arg(action->text()));
    TFormMain* window = activeWindow();
    QPointer<TFormMain> saved = window;
    const bool isSave = window && (action == window->Save1 || action == window->Saveas1);
    const bool viaSaveAs = window && (action == window->Saveas1 || window->FileName.isEmpty());
    errorShown_ = false;
    fileAccepted_ = false;
    // The menus were opened and closed again to find the item, as a user's click closes them
    // before the item acts.
    action->trigger();
    if (isSave && saved && !errorShown_ && !saved->Modified && (fileAccepted_ || !viaSaveAs))
        checkSavedFile(*saved, viaSaveAs);
}

void Session::stepToolButton(TFormMain& window)
{
    QList<QToolButton*> buttons;
    for (QToolButton* button : window.findChildren<QToolButton*>())
        if (button->isVisible() && button->isEnabled() && !button->defaultAction() &&
            !button->objectName().startsWith(QStringLiteral("qt_")))
            buttons.append(button);
    if (buttons.isEmpty())
        return;
    QToolButton* button = rng_.pick(buttons);
    note(QStringLiteral("button %1").arg(button->objectName()));
    button->click();
}

void Session::stepDrag(TFormMain& window)
{
    QWidget* control = window.ImageScrollBox1->ImageControl();
    if (!control || !control->isVisible())
        return;
    const QRect area = control->rect().adjusted(-20, -20, 20, 20);
    auto point = [&] { return QPoint(rng_.between(area.left(), area.right()), rng_.between(area.top(), area.bottom())); };
    const QPoint from = point();
    const QPoint to = rng_.chance(0.2) ? from + QPoint(rng_.between(-3, 3), rng_.between(-3, 3)) : point();
    const Qt::MouseButton button = rng_.chance(0.8) ? Qt::LeftButton : Qt::RightButton;
    const Qt::KeyboardModifiers modifiers = rng_.chance(0.1) ? Qt::ShiftModifier : Qt::NoModifier;
    note(QStringLiteral("tool %1 pen %5, %2x%3 at zoom \"%4\"").arg(int(window.CurrentTool()))
             .arg(window.GetGraphic()->GetWidth()).arg(window.GetGraphic()->GetHeight()).arg(window.ScaleEdit->text(), window.PenSize->text()));
    const int kind = rng_.below(10);
    if (kind == 0) {
        note(QStringLiteral("double-click (%1,%2)").arg(from.x()).arg(from.y()));
        widget_test::mouseDoubleClick(control, from, button);
    } else if (kind == 1) {
        note(QStringLiteral("click (%1,%2)").arg(from.x()).arg(from.y()));
        widget_test::mouseClick(control, from, button, modifiers);
    } else {
        const int moves = rng_.between(1, 12);
        note(QStringLiteral("drag %1 (%2,%3)-(%4,%5) moves %6")
                 .arg(button == Qt::LeftButton ? QStringLiteral("left") : QStringLiteral("right"))
                 .arg(from.x()).arg(from.y()).arg(to.x()).arg(to.y()).arg(moves));
        widget_test::mouseDrag(control, from, to, moves, button, modifiers);
    }
}

void Session::stepZoom(TFormMain& window)
{
    if (!window.ScaleEdit || !window.ScaleEdit->isVisible() || !window.ScaleEdit->isEnabled()) {
        stepDrag(window);
        return;
    }
    static const QList<int> zooms = {10, 25, 33, 50, 75, 100, 100, 150, 200, 300, 400, 800, 1600};
    const QString text = rng_.chance(0.9) ? QString::number(rng_.pick(zooms)) : randomNumberText();
    note(QStringLiteral("zoom \"%1\"").arg(text));
    window.ScaleEdit->setFocus();
    window.ScaleEdit->selectAll();
    window.ScaleEdit->del();
    typeText(window.ScaleEdit, text);
    widget_test::keyClick(window.ScaleEdit, Qt::Key_Return);
    stepDrag(window);
}

void Session::stepEdit(TFormMain& window)
{
    QList<QLineEdit*> edits;
    for (QLineEdit* edit : window.findChildren<QLineEdit*>())
        if (edit->isVisible() && edit->isEnabled() && !edit->isReadOnly())
            edits.append(edit);
    if (edits.isEmpty())
        return;
    QLineEdit* edit = rng_.pick(edits);
    const QString text = randomNumberText();
    note(QStringLiteral("type \"%1\" in %2").arg(text, edit->objectName()));
    edit->setFocus();
    edit->selectAll();
    edit->del();
    typeText(edit, text);
    widget_test::keyClick(edit, Qt::Key_Return);
}

void Session::stepSlider(TFormMain& window)
{
    QList<QWidget*> targets;
    for (QAbstractSlider* slider : window.findChildren<QAbstractSlider*>())
        if (slider->isVisible() && slider->isEnabled())
            targets.append(slider);
    for (TUpDown* upDown : window.findChildren<TUpDown*>())
        if (upDown->isVisible() && upDown->isEnabled())
            targets.append(upDown);
    if (targets.isEmpty())
        return;
    QWidget* target = rng_.pick(targets);
    if (qobject_cast<QAbstractSlider*>(target)) {
        static const QList<Qt::Key> keys = {Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End,
                                            Qt::Key_Left,   Qt::Key_Right,    Qt::Key_Up,   Qt::Key_Down};
        const Qt::Key key = rng_.pick(keys);
        note(QStringLiteral("key %1 on %2").arg(int(key), 0, 16).arg(target->objectName()));
        target->setFocus();
        widget_test::keyClick(target, key);
    } else {
        const QPoint at(rng_.below(qMax(1, target->width())), rng_.below(qMax(1, target->height())));
        note(QStringLiteral("click (%1,%2) on %3").arg(at.x()).arg(at.y()).arg(target->objectName()));
        widget_test::mouseClick(target, at);
    }
}

void Session::stepColorGrid(TFormMain& window)
{
    QWidget* grid = window.CColorGrid1;
    if (!grid || !grid->isVisible()) {
        stepToolButton(window);
        return;
    }
    const QPoint at(rng_.below(qMax(1, grid->width())), rng_.below(qMax(1, grid->height())));
    const Qt::MouseButton button = rng_.chance(0.5) ? Qt::LeftButton : Qt::RightButton;
    note(QStringLiteral("colour grid (%1,%2) %3").arg(at.x()).arg(at.y()).arg(button == Qt::LeftButton ? "left" : "right"));
    widget_test::mouseClick(grid, at, button);
}

void Session::stepClipboard()
{
    static const QList<QImage::Format> formats = {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888,
                                                  QImage::Format_Indexed8, QImage::Format_Mono,
                                                  QImage::Format_Grayscale8};
    const int width = rng_.between(1, 300);
    const int height = rng_.between(1, 300);
    const QImage::Format format = rng_.pick(formats);
    QImage image(width, height, QImage::Format_ARGB32);
    const uint32_t base = static_cast<uint32_t>(rng_.below(1 << 24));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (uint32_t(x * 7 + y * 3) * 0x010203u + base) | (((x + y) % 5 == 0) ? 0x40000000u : 0xFF000000u));
    image = image.convertToFormat(format);
    note(QStringLiteral("clipboard %1x%2 format %3").arg(width).arg(height).arg(int(format)));
    QGuiApplication::clipboard()->setImage(image);
}

void Session::stepClose(TFormMain& window)
{
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(window.parentWidget());
    if (rng_.chance(0.5) || !sub) {
        note(QStringLiteral("close with the window's \"Закрыть\""));
        if (window.Close1->isEnabled())
            window.Close1->trigger();
    } else {
        note(QStringLiteral("close box"));
        sub->close();
    }
}

void Session::stepActivate()
{
    emit FrameForm->Window1->aboutToShow();
    const QList<QAction*> entries = FrameForm->windowListActions();
    if (entries.isEmpty())
        return;
    QAction* entry = rng_.pick(entries);
    note(QStringLiteral("window list \"%1\"").arg(entry->text()));
    emit FrameForm->Window1->aboutToHide();
    entry->trigger();
}

// Redo steps forward to the picture as it stood before the last undo: the slot the undo before
// it restored. So two undos and a redo must give back, byte for byte, what the first undo made.
// (A single undo has no picture after it kept: its redo draws nothing new, by design.)
void Session::checkUndoRedo(TFormMain& window)
{
    if (!window.Undo1->isEnabled())
        return;
    QPointer<TFormMain> guard(&window);
    note(QStringLiteral("check undo+undo+redo"));
    window.Undo1->trigger();
    QApplication::processEvents();
    if (!guard)
        return fail(QStringLiteral("the window went away on undo"));
    if (!window.Undo1->isEnabled())
        return;
    const PictureState afterFirst = stateOf(window);
    window.Undo1->trigger();
    QApplication::processEvents();
    if (!guard)
        return fail(QStringLiteral("the window went away on undo"));
    const PictureState afterSecond = stateOf(window);
    // A size step's undo keeps the size: the redo then draws at the other size.
    if (afterSecond.width != afterFirst.width || afterSecond.height != afterFirst.height)
        return;
    if (!window.Redo1->isEnabled())
        return fail(QStringLiteral("redo is not offered right after an undo"));
    ++undoChecks_;
    window.Redo1->trigger();
    QApplication::processEvents();
    if (!guard)
        return fail(QStringLiteral("the window went away on redo"));
    const PictureState after = stateOf(window);
    if (!(after == afterFirst))
        fail(QStringLiteral("undo, undo, redo did not give back the first undo's picture: %1x%2x%3 work %4 view %5 -> "
                            "%6x%7x%8 work %9 view %10")
                 .arg(afterFirst.width).arg(afterFirst.height).arg(afterFirst.bitsPerPixel)
                 .arg(afterFirst.workHash, 0, 16).arg(afterFirst.viewHash, 0, 16)
                 .arg(after.width).arg(after.height).arg(after.bitsPerPixel)
                 .arg(after.workHash, 0, 16).arg(after.viewHash, 0, 16));
}

// A picture just saved reopens, through the frame's Open, with the pixels its window shows. The
// file is read back as what was written: JPEG and TIFF by their entries, the rest by extension
// when the name says the format written (a name that says another is the user's choice).
void Session::checkSavedFile(TFormMain& window, bool viaSaveAs)
{
    const QString path = window.FileName;
    if (path.isEmpty() || windows().size() >= MaxWindows)
        return;
    QString written;
    if (viaSaveAs) {
        switch (window.SaveDialog1.filterIndex) {
        case 5: written = QStringLiteral("TJpegGraphic"); break;
        case 6: written = QStringLiteral("TTiffGraphic"); break;
        case 7: written = QStringLiteral("TPngGraphic"); break;
        case 8: written = QStringLiteral("TWebpGraphic"); break;
        default: break;
        }
    } else if (window.OpenedAsJpeg) {
        written = QStringLiteral("TJpegGraphic");
    } else if (path.right(4).toLower() == QStringLiteral(".tif")) {
        written = QStringLiteral("TTiffGraphic");
    }
    if (written.isEmpty())
        written = window.OpenedFormat ? window.OpenedFormat->ClassName() : window.Image->Picture()->Graphic()->ClassName();
    static const QMap<QString, QStringList> extensions = {
        {QStringLiteral("TBitmap"), {QStringLiteral("bmp")}},
        {QStringLiteral("TBitmapGraphic"), {QStringLiteral("bmp")}},
        {QStringLiteral("TPngGraphic"), {QStringLiteral("png")}},
        {QStringLiteral("TWebpGraphic"), {QStringLiteral("webp")}},
        {QStringLiteral("TPcxGraphic"), {QStringLiteral("pcx")}},
        {QStringLiteral("TTgaGraphic"), {QStringLiteral("tga")}},
        {QStringLiteral("TIconGraphic"), {QStringLiteral("ico"), QStringLiteral("cur")}},
    };
    const QString suffix = QFileInfo(path).suffix().toLower();
    // The open dialog adds its default extension to a name without one.
    if (suffix.isEmpty())
        return;
    int openEntry = 2;
    if (written == QStringLiteral("TJpegGraphic"))
        openEntry = 5;
    else if (written == QStringLiteral("TTiffGraphic"))
        openEntry = 6;
    else if (!extensions.value(written).contains(suffix))
        return;
    const bool lossy = written == QStringLiteral("TJpegGraphic") || written == QStringLiteral("TWebpGraphic");
    // A window whose New was cancelled shows nothing.
    if (pixelsOf(window) == 0)
        return;
    if (!QFileInfo::exists(path))
        return fail(QStringLiteral("saved without an error, but there is no file \"%1\"").arg(path));
    ++saveChecks_;
    note(QStringLiteral("check reopen \"%1\" as %2").arg(QFileInfo(path).fileName(), written));
    TFormMain* before = FormMain;
    forced_.push_back([path, openEntry](QDialog& dialog) {
        auto* fileDialog = qobject_cast<QFileDialog*>(&dialog);
        if (!fileDialog)
            return;
        const QStringList filters = fileDialog->nameFilters();
        if (filters.size() >= openEntry)
            fileDialog->selectNameFilter(filters[openEntry - 1]);
        fileDialog->selectFile(path);
        static_cast<QDialog*>(fileDialog)->accept();
    });
    errorShown_ = false;
    FrameForm->Open1->trigger();
    forced_.clear();
    QApplication::processEvents();
    TFormMain* reopened = FormMain;
    if (errorShown_ || reopened == before || !reopened)
        return fail(QStringLiteral("the saved file \"%1\" does not reopen").arg(path));
    // Selection frames are drawn into the pixels shown but are not part of the picture: compared
    // without them, as the picture is saved.
    window.SelectionTool().WithoutFrame([&] { comparePictures(window, *reopened, path, lossy); });
    reopened->Modified = false;
    reopened->Close1->trigger();
}

void Session::comparePictures(TFormMain& window, TFormMain& reopened, const QString& path, bool lossy)
{
    const TDibGraphic* shown = window.GetGraphic();
    const TDibGraphic* read = reopened.GetGraphic();
    if (shown->GetWidth() != read->GetWidth() || shown->GetHeight() != read->GetHeight()) {
        fail(QStringLiteral("\"%1\" reopens at %2x%3, saved at %4x%5").arg(path).arg(read->GetWidth())
                 .arg(read->GetHeight()).arg(shown->GetWidth()).arg(shown->GetHeight()));
    } else if (!lossy) {
        qint64 differing = 0;
        QPoint first;
        for (int y = 0; y < shown->GetHeight(); ++y)
            for (int x = 0; x < shown->GetWidth(); ++x)
                if (shown->GetPixelRGB(x, y) != read->GetPixelRGB(x, y) && differing++ == 0)
                    first = QPoint(x, y);
        if (differing > 0) {
            // Both pictures beside the log, and where they differ, for whoever reads the failure.
            QImage shownImage(shown->GetWidth(), shown->GetHeight(), QImage::Format_RGB32);
            QImage readImage(shownImage.size(), QImage::Format_RGB32);
            QRect box;
            for (int y = 0; y < shown->GetHeight(); ++y)
                for (int x = 0; x < shown->GetWidth(); ++x) {
                    shownImage.setPixel(x, y, shown->GetPixelRGB(x, y));
                    readImage.setPixel(x, y, read->GetPixelRGB(x, y));
                    if (shown->GetPixelRGB(x, y) != read->GetPixelRGB(x, y))
                        box |= QRect(x, y, 1, 1);
                }
            const QString stem = QDir(options_.dir).filePath(QStringLiteral("step-%1").arg(step_));
            shownImage.save(stem + QStringLiteral("-shown.png"));
            readImage.save(stem + QStringLiteral("-reopened.png"));
            note(QStringLiteral("differing pixels within (%1,%2)-(%3,%4); tool %5, frame %6, drawing %7")
                     .arg(box.left()).arg(box.top()).arg(box.right()).arg(box.bottom()).arg(int(window.CurrentTool()))
                     .arg(window.SelectionFrameShown).arg(window.Drawing));
        }
        if (differing > 0)
            fail(QStringLiteral("\"%1\" reopens with %2 pixels not as shown, the first (%3,%4) %5 where the window "
                                "showed %6")
                     .arg(path).arg(differing).arg(first.x()).arg(first.y())
                     .arg(read->GetPixelRGB(first.x(), first.y()), 6, 16, QLatin1Char('0'))
                     .arg(shown->GetPixelRGB(first.x(), first.y()), 6, 16, QLatin1Char('0')));
    }
}

// Pictures far past a megapixel would make the session crawl under the sanitizers; they go
// (unsaved) once a step has made one.
void Session::keepSessionSmall()
{
    for (TFormMain* window : windows()) {
        if (pixelsOf(*window) > 6 * MegaPixel) {
            note(QStringLiteral("discard a %1-pixel window").arg(pixelsOf(*window)));
            window->Modified = false;
            window->Close1->trigger();
        }
    }
}

void Session::takeStep()
{
    TFormMain* window = activeWindow();
    const int count = static_cast<int>(windows().size());
    int kind = rng_.below(100);
    if (!window && kind >= 30)
        kind = rng_.below(30);
    if (kind < 30)
        stepMenu();
    else if (kind < 34 && window)
        stepSave(*window);
    else if (kind < 37 && count < MaxWindows)
        stepClipboard();
    else if (kind < 38)
        stepActivate();
    else if (kind < 41)
        stepClose(*window);
    else if (kind < 53)
        stepToolButton(*window);
    else if (kind < 78)
        stepDrag(*window);
    else if (kind < 84)
        stepZoom(*window);
    else if (kind < 88)
        stepEdit(*window);
    else if (kind < 94)
        stepSlider(*window);
    else
        stepColorGrid(*window);
}

void Session::checkAfterStep(qint64 elapsedMs, qint64 pixelsBefore)
{
    // Nothing the step opened may stay open: every dialog goes through the seam and ends there.
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && (qobject_cast<QDialog*>(top) || top->isModal() || qobject_cast<QMenu*>(top))) {
            fail(QStringLiteral("a %1 \"%2\" was left open").arg(QString::fromLatin1(top->metaObject()->className()),
                                                               top->windowTitle()));
            top->close();
        }
    }
    if (QWidget* modal = QApplication::activeModalWidget()) {
        fail(QStringLiteral("a modal %1 is active after the step").arg(QString::fromLatin1(modal->metaObject()->className())));
        modal->close();
    }
    qint64 pixelsAfter = 0;
    for (TFormMain* window : windows())
        pixelsAfter = qMax(pixelsAfter, pixelsOf(*window));
    if (elapsedMs > slowestMs_) {
        slowestMs_ = elapsedMs;
        slowestStep_ = QStringLiteral("step %1: %2").arg(step_).arg(current_.join(QStringLiteral(" | ")));
    }
    if (elapsedMs > options_.answerMs && pixelsBefore <= MegaPixel && pixelsAfter <= MegaPixel) {
        ++slowSteps_;
        fail(QStringLiteral("the step took %1 ms on pictures of at most a megapixel").arg(elapsedMs));
    }
}

void Session::runNextStep()
{
    if (step_ >= options_.steps) {
        finish();
        return;
    }
    ++step_;
    // The user is back at the frame for each step, whatever the display did with the focus.
    if (QApplication::activeWindow() != FrameForm)
        QApplication::setActiveWindow(FrameForm);
    current_.clear();
    current_.append(QStringLiteral("step %1:").arg(step_));
    if (log_) {
        std::fprintf(log_, "step %ld:", step_);
        std::fflush(log_);
    }
    std::snprintf(crashNote, sizeof crashNote,
                  "\nCRASH in step %ld (seed %llu); its actions are the last line of the session log.\n"
                  "Replay: session_driver --seed %llu --steps %ld --verbose\n",
                  step_, static_cast<unsigned long long>(options_.seed), static_cast<unsigned long long>(options_.seed), step_);
    qint64 pixelsBefore = 0;
    for (TFormMain* window : windows())
        pixelsBefore = qMax(pixelsBefore, pixelsOf(*window));
    runningStep_ = step_;
    stepStartedMs_ = clock_.elapsed();
    inStep_ = true;
    QElapsedTimer timer;
    timer.start();
    QPointer<TFormMain> active = activeWindow();
    const bool checkUndo = active && rng_.chance(0.5);
    const PictureState stateBefore = checkUndo ? stateOf(*active) : PictureState{};
    takeStep();
    // What the step posted (paints, deferred deletes) is part of answering it.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    const qint64 elapsed = timer.elapsed();
    inStep_ = false;
    if (checkUndo && active && active == activeWindow() && !(stateOf(*active) == stateBefore))
        checkUndoRedo(*active);
    checkAfterStep(elapsed, pixelsBefore);
    if (options_.dumpFrom > 0 && step_ >= options_.dumpFrom && activeWindow()) {
        const TDibGraphic* view = activeWindow()->GetGraphic();
        QImage shown(view->GetWidth(), view->GetHeight(), QImage::Format_RGB32);
        for (int y = 0; y < view->GetHeight(); ++y)
            for (int x = 0; x < view->GetWidth(); ++x)
                shown.setPixel(x, y, view->GetPixelRGB(x, y));
        shown.save(QDir(options_.dir).filePath(QStringLiteral("view-%1.png").arg(step_)));
    }
    keepSessionSmall();
    const QString line = current_.join(QStringLiteral(" | "));
    if (log_) {
        std::fprintf(log_, "\n");
        std::fflush(log_);
    }
    if (options_.verbose)
        std::fprintf(stdout, "%s\n", qPrintable(line));
    recent_.push_back(line);
    if (recent_.size() > 40)
        recent_.pop_front();
    if (step_ == options_.rssStep || step_ % 1000 == 0) {
        std::fprintf(stdout, "step %ld: %d windows, resident %ld KiB, heap %ld KiB, %d failures\n", step_,
                     static_cast<int>(windows().size()), residentKiB(), heapKiB(), failures_);
        std::fflush(stdout);
    }
    QTimer::singleShot(0, this, [this] { runNextStep(); });
}

void Session::finish()
{
    inStep_ = false;
    stepStartedMs_ = 0;
    std::fprintf(stdout,
                 "session seed %llu: %ld steps, %d failures, %ld slow steps, %ld dialogs answered, %ld undo/redo "
                 "checks, %ld reopen checks, slowest step %lld ms (%s), resident at end %ld KiB, heap %ld KiB\n",
                 static_cast<unsigned long long>(options_.seed), step_, failures_, slowSteps_, dialogsAnswered_,
                 undoChecks_, saveChecks_, static_cast<long long>(slowestMs_), qPrintable(slowestStep_.left(300)),
                 residentKiB(), heapKiB());
    std::fflush(stdout);
    // Leave without asking: the session's pictures are not the user's.
    for (TFormMain* window : windows())
        window->Modified = false;
    forms::Modal::setHandler({});
    QCoreApplication::exit(failures_ == 0 ? 0 : 1);
}

void Session::makeCorpus()
{
    // A few pictures of the common depths for Open to find from the first step; the session's
    // saves add every format the program writes.
    QImage picture(97, 61, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 2, y * 4, (x ^ y) & 0xFF));
    picture.save(filePath(QStringLiteral("true colour.bmp")));
    picture.convertToFormat(QImage::Format_Indexed8).save(filePath(QStringLiteral("palette.bmp")));
    picture.convertToFormat(QImage::Format_Mono).save(filePath(QStringLiteral("mono.bmp")));
    picture.save(filePath(QStringLiteral("photo.jpg")));
    picture.save(filePath(QStringLiteral("picture.png")));
    picture.scaled(32, 32).save(filePath(QStringLiteral("icon.ico")));
    // Formats the toolkit does not write, made by the image converter when the machine has one.
    for (const char* suffix : {"pcx", "tga", "tif", "webp", "dcx"}) {
        QProcess::execute(QStringLiteral("convert"),
                          {filePath(QStringLiteral("true colour.bmp")),
                           filePath(QStringLiteral("converted.%1").arg(QLatin1String(suffix)))});
    }
    QProcess::execute(QStringLiteral("convert"), {filePath(QStringLiteral("palette.bmp")), QStringLiteral("-colors"),
                                                  QStringLiteral("16"), filePath(QStringLiteral("sixteen.pcx"))});
    QFile broken(filePath(QStringLiteral("broken.bmp")));
    if (broken.open(QIODevice::WriteOnly))
        broken.write(QByteArray("BM\x10\x00\x00\x00not a picture at all", 25));
    QFile empty(filePath(QStringLiteral("empty.png")));
    if (empty.open(QIODevice::WriteOnly))
        empty.close();
}

void Session::start()
{
    clock_.start();
    QDir().mkpath(filePath(QString()));
    makeCorpus();
    log_ = std::fopen(qPrintable(QDir(options_.dir).filePath(QStringLiteral("session-%1.log").arg(options_.seed))), "w");
    forms::Modal::setHandler([this](QDialog& dialog) { answer(dialog); });
    forms::SetUrlOpener([this](const QUrl& url) { note(QStringLiteral("desktop opens %1").arg(url.toString())); });
    PrintCommands::Shared().Printer().setOutputFormat(QPrinter::PdfFormat);
    PrintCommands::Shared().Printer().setOutputFileName(filePath(QStringLiteral("printed.pdf")));

    // A dialog shown without the seam would block the step in a loop of its own: the check sees
    // it from inside that loop, names it and closes it.
    watchdog_.setInterval(100);
    connect(&watchdog_, &QTimer::timeout, this, [this] {
        if (!inStep_)
            return;
        if (QWidget* popup = QApplication::activePopupWidget()) {
            fail(QStringLiteral("a pop-up %1 holds the step").arg(QString::fromLatin1(popup->metaObject()->className())));
            popup->close();
        }
        QWidget* modal = QApplication::activeModalWidget();
        auto* box = qobject_cast<QMessageBox*>(modal);
        bool insideAnswered = false;
        for (QWidget* parent = modal ? modal->parentWidget() : nullptr; parent; parent = parent->parentWidget())
            insideAnswered = insideAnswered || handling_.contains(parent);
        auto* nested = qobject_cast<QDialog*>(modal);
        if (!box && nested && insideAnswered) {
            note(QStringLiteral("the toolkit's own dialog %1").arg(QString::fromLatin1(nested->metaObject()->className())));
            answer(*nested);
            if (nested->isVisible())
                nested->reject();
            return;
        }
        if (insideAnswered) {
            // A question the toolkit's own dialog asks (replace the file? no such file?) while
            // it is being answered: answered like any other.
            QList<QAbstractButton*> buttons = box->buttons();
            QAbstractButton* button = buttons.isEmpty() ? nullptr : rng_.pick(buttons);
            note(QStringLiteral("file dialog asks \"%1\": press \"%2\"").arg(box->text(), button ? button->text() : QString()));
            if (button)
                button->click();
            else
                box->reject();
            return;
        }
        if (modal) {
            fail(QStringLiteral("a modal %1 \"%2\" was shown outside the dialog seam")
                     .arg(QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle()));
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        }
    });
    watchdog_.start();

    // A step that never ends (a loop that does not come back) ends the process with its name.
    std::thread([this] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::seconds(5));
            const qint64 started = stepStartedMs_;
            if (inStep_ && started > 0 && clock_.elapsed() - started > qint64(options_.hangSeconds) * 1000) {
                std::fprintf(stderr, "\nHANG at step %ld (seed %llu): no answer for %d s\nReplay: session_driver --seed %llu --steps %ld --verbose\n",
                             long(runningStep_), static_cast<unsigned long long>(options_.seed), options_.hangSeconds,
                             static_cast<unsigned long long>(options_.seed), long(runningStep_));
                std::fflush(stderr);
                std::abort();
            }
        }
    }).detach();

    std::fprintf(stdout, "session seed %llu, %ld steps, files in %s\n", static_cast<unsigned long long>(options_.seed),
                 options_.steps, qPrintable(options_.dir));
    std::fflush(stdout);
    QTimer::singleShot(0, this, [this] { runNextStep(); });
}

Options parseOptions(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg = argv[i];
        auto value = [&]() -> QByteArray {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", arg.constData());
                std::exit(2);
            }
            return QByteArray(argv[++i]);
        };
        if (arg == "--seed")
            options.seed = value().toULongLong();
        else if (arg == "--steps")
            options.steps = value().toLong();
        else if (arg == "--dir")
            options.dir = QString::fromLocal8Bit(value());
        else if (arg == "--answer-ms")
            options.answerMs = value().toInt();
        else if (arg == "--hang-seconds")
            options.hangSeconds = value().toInt();
        else if (arg == "--rss-step")
            options.rssStep = value().toLong();
        else if (arg == "--dump-from")
            options.dumpFrom = value().toLong();
        else if (arg == "--stop-on-failure")
            options.stopOnFailure = true;
        else if (arg == "--verbose")
            options.verbose = true;
        else {
            std::fprintf(stderr,
                         "usage: session_driver [--seed N] [--steps N] [--dir DIR] [--answer-ms MS] "
                         "[--hang-seconds S] [--rss-step N] [--dump-from STEP] [--stop-on-failure] [--verbose]\n");
            std::exit(2);
        }
    }
    return options;
}

} // namespace

int main(int argc, char** argv)
{
    Options options = parseOptions(argc, argv);
    if (options.dir.isEmpty())
        options.dir = QDir::temp().filePath(QStringLiteral("pictavo-session-%1").arg(options.seed));
    QDir(options.dir).removeRecursively();
    QDir().mkpath(options.dir);
    // config.ini and the recent file live in the working directory: the session's own.
    QDir::setCurrent(options.dir);
    // No scanner: the source manager must answer at once that there is none.
    if (!qEnvironmentVariableIsSet("SANE_CONFIG_DIR"))
        qputenv("SANE_CONFIG_DIR", QFile::encodeName(options.dir));

    for (int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        std::signal(signal, onCrash);

    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    forms::Application application(qtArgc, qtArgv);
    startup::initialiseApplication();
    startup::ApplicationForms forms;
    application.setQuitOnLastWindowClosed(false);
    forms.showFrame();

    Session session(options);
    session.start();
    const int status = application.exec();
    return status;
}
