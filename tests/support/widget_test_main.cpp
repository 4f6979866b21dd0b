// Main of the widget test programs: the program's own application object (so errors escaping an
// event handler reach the default error display, as in the program) on the offscreen platform.
#include "platform/forms/application.h"
#include "platform/forms/modal.h"

#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QMessageBox>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // Recovery journals of the windows tests make go to a folder of their own, never the user's.
    QTemporaryDir stateHome;
    qputenv("XDG_STATE_HOME", QFile::encodeName(stateHome.path()));
    forms::Application app(argc, argv);
    // A dialog no test answers would wait for a user forever: it fails the test and is rejected.
    forms::Modal::setHandler([](QDialog& dialog) {
        const auto* box = qobject_cast<QMessageBox*>(&dialog);
        ADD_FAILURE() << "unanswered dialog \"" << dialog.windowTitle().toStdString() << "\""
                      << (box ? " saying \"" + box->text().toStdString() + "\"" : std::string());
    });
    return RUN_ALL_TESTS();
}
