#include "platform/forms/error_display.h"

#include "modal_script.h"
#include "widget_input.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

#ifdef PICTAVO_FRAMEWORK_EXCEPTIONS
#include "platform/framework/exceptions.h"
#endif

using namespace widget_test;

namespace {

class ErrorDisplayTest : public ::testing::Test {
protected:
    void SetUp() override { QApplication::setApplicationName(QStringLiteral("Пиктаво")); }
};

// Fails in its mouse handler after it has already counted the press.
class FailingWidget : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override
    {
        ++presses;
        throw std::runtime_error("Нет такого файла");
    }
};

} // namespace

TEST_F(ErrorDisplayTest, CommandErrorShowsItsTextUnderTheTitleWithOk)
{
    ModalScript script;
    script.then(pressButton(QStringLiteral("OK")));
    int before = 0;
    forms::command([&] {
        before = 1;
        throw std::runtime_error("Неверное число");
    })();
    EXPECT_EQ(before, 1) << "what the command did before the error stays done";
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("Пиктаво"));
    EXPECT_EQ(script.shown()[0].text, QStringLiteral("Неверное число"));
    EXPECT_EQ(script.shown()[0].buttons, QStringList{QStringLiteral("OK")});
}

TEST_F(ErrorDisplayTest, CommandWithoutErrorShowsNothing)
{
    ModalScript script;
    bool ran = false;
    forms::command([&](bool checked) { ran = checked; })(true);
    EXPECT_TRUE(ran);
    EXPECT_EQ(script.count(), 0);
}

TEST_F(ErrorDisplayTest, ErrorInAnEventHandlerIsShownAndTheProgramGoesOn)
{
    ModalScript script;
    FailingWidget widget;
    mouseClick(&widget, QPoint(2, 2));
    mouseClick(&widget, QPoint(3, 3));
    EXPECT_EQ(widget.presses, 2);
    ASSERT_EQ(script.count(), 2);
    EXPECT_EQ(script.shown()[1].text, QStringLiteral("Нет такого файла"));
}

TEST_F(ErrorDisplayTest, ErrorInATimerIsShown)
{
    ModalScript script;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, [] { throw std::runtime_error("Сканер не отвечает"); });
    timer.start(0);
    for (int i = 0; i < 50 && script.count() == 0; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.shown()[0].text, QStringLiteral("Сканер не отвечает"));
}

TEST_F(ErrorDisplayTest, TextsOfTheKnownKinds)
{
    EXPECT_EQ(forms::ErrorDisplay::describe(std::make_exception_ptr(std::invalid_argument("Ошибка"))),
              QStringLiteral("Ошибка"));
#ifdef PICTAVO_FRAMEWORK_EXCEPTIONS
    EXPECT_EQ(forms::ErrorDisplay::describe(std::make_exception_ptr(EInvalidGraphic(QStringLiteral("Invalid bitmap")))),
              QStringLiteral("Invalid bitmap"));
#endif
    EXPECT_FALSE(forms::ErrorDisplay::describe(std::make_exception_ptr(42)).isEmpty());
}

TEST_F(ErrorDisplayTest, TranslatorGivesTheTextOfAnotherKind)
{
    struct ScannerFault {
        int code;
    };
    forms::ErrorDisplay::addTranslator([](const std::exception_ptr& error) -> std::optional<QString> {
        try {
            std::rethrow_exception(error);
        } catch (const ScannerFault& fault) {
            return QStringLiteral("Ошибка сканера %1").arg(fault.code);
        } catch (...) {
            return std::nullopt;
        }
    });
    EXPECT_EQ(forms::ErrorDisplay::describe(std::make_exception_ptr(ScannerFault{7})),
              QStringLiteral("Ошибка сканера 7"));
    EXPECT_EQ(forms::ErrorDisplay::describe(std::make_exception_ptr(std::runtime_error("x"))), QStringLiteral("x"));
}
