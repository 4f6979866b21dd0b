#include "app/startup.h"

#include "app/about_box.h"
#include "app/frame_form.h"
#include "app/hact.h"
#include "platform/forms/jpg_par.h"
#include "platform/forms/trans_form.h"
#include "document/new_bmp_form.h"
#include "document/recovery_dialog.h"
#include "document/recovery_journal.h"
#include "imaging/formats/picture_formats.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

static void initialiseResources()
{
    // The pictures are in the static app library: its resources must be registered by hand, once.
    static const bool registered = [] {
        Q_INIT_RESOURCE(pictavo);
        return true;
    }();
    Q_UNUSED(registered);
}

static void installQtTranslations()
{
    // The interface is Russian whatever the system's language: Qt's own buttons and dialogs
    // ("Да", "Отмена", the colour and font dialogs) speak it too. Without the catalogue they stay
    // English and nothing else changes.
    QCoreApplication* application = QCoreApplication::instance();
    const QString name = QStringLiteral("qtbase_ru");
    if (application->findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly))
        return;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return;
    translator->setObjectName(name);
    translator->setParent(application);
    QCoreApplication::installTranslator(translator.release());
}

namespace startup {

void initialiseApplication()
{
    initialiseResources();
    installQtTranslations();
    RegisterPictureFormats();
    // The name, not the display name: Qt would append a display name to every window's caption.
    QApplication::setApplicationName(QString::fromUtf8(ApplicationTitle));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/frame_icon.png")));
}

ApplicationForms::ApplicationForms()
{
    initialiseResources();
    frame_ = std::make_unique<TFrameForm>();
    FrameForm = frame_.get();
    newBmp_ = std::make_unique<TNewBMPForm>();
    NewBMPForm = newBmp_.get();
    about_ = std::make_unique<TAboutBox>();
    AboutBox = about_.get();
    jpgPar_ = std::make_unique<TJPGPar>();
    JPGPar = jpgPar_.get();
    splash_ = std::make_unique<THACT>();
    HACT = splash_.get();
    trans_ = std::make_unique<TTransForm>();
    TransForm = trans_.get();
}

ApplicationForms::~ApplicationForms()
{
    TransForm = nullptr;
    trans_.reset();
    HACT = nullptr;
    splash_.reset();
    JPGPar = nullptr;
    jpgPar_.reset();
    AboutBox = nullptr;
    about_.reset();
    NewBMPForm = nullptr;
    newBmp_.reset();
    FrameForm = nullptr;
    frame_.reset();
    // Every window has taken its journal with it: a clean exit leaves nothing to offer.
    recovery::InstanceLock::current().release();
}

void ApplicationForms::showFrame()
{
    frame_->show();
    // Without a window manager "stay on top" is only a wish: the splash is raised above the frame
    // that was mapped after it.
    if (splash_->isVisible())
        splash_->raise();
}

void ApplicationForms::offerRecovery()
{
    recovery::OfferRecovery(frame_->ClientArea);
}

} // namespace startup
