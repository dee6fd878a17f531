// The GUI suites' entry: a private home for this process, then one QApplication on the
// offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>

#include "app/Settings.h"
#include "tests/support/PrivateHome.h"

namespace {
// Run in one process too, each test starts from empty settings.
class CFreshSettings : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { AppSettings().clear(); }
};
}  // namespace

int main(int argc, char** argv) {
    // Before Qt reads HOME and the XDG folders: settings are this process's alone.
    const CPrivateHome home;
    // Test discovery runs this binary outside CTest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new CFreshSettings);
    return RUN_ALL_TESTS();
}
