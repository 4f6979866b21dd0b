#include "platform/forms/error_display.h"

#include "platform/forms/modal.h"

#include <QApplication>
#include <QList>

#ifdef PICTAVO_FRAMEWORK_EXCEPTIONS
#include "platform/framework/exceptions.h"
#endif

namespace forms {

namespace {
QList<ErrorDisplay::Translator>& translators()
{
    static QList<ErrorDisplay::Translator> list;
    return list;
}
} // namespace

void ErrorDisplay::addTranslator(Translator translator)
{
    translators().append(std::move(translator));
}

QString ErrorDisplay::describe(const std::exception_ptr& error)
{
    for (const Translator& translate : translators()) {
        if (std::optional<QString> text = translate(error))
            return *text;
    }
    try {
        std::rethrow_exception(error);
#ifdef PICTAVO_FRAMEWORK_EXCEPTIONS
    } catch (const Exception& e) {
        return e.Message();
#endif
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Неизвестная ошибка.");
    }
}

void ErrorDisplay::show(const std::exception_ptr& error)
{
    if (!error)
        return;
    Modal::messageBox(QApplication::activeWindow(), QMessageBox::Critical, QApplication::applicationDisplayName(),
                      describe(error), QMessageBox::Ok, QMessageBox::Ok);
}

} // namespace forms
