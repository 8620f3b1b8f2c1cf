// The main of every widget test program: one QApplication for the whole run.

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Test discovery runs the binary without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: widgets a failed test left behind may outlive main.
    [[maybe_unused]] static QApplication* app = new QApplication(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
