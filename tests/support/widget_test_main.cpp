// Main of the widget test programs: the program's own application object (so errors escaping an
// event handler reach the default error display, as in the program) on the offscreen platform.
#include "platform/forms/application.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    forms::Application app(argc, argv);
    return RUN_ALL_TESTS();
}
