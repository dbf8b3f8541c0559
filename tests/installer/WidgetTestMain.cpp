// Runs the widget tests on Qt's offscreen platform with HOME and the XDG folders in a fresh
// temporary folder, so that the settings store, documents and desktop are the test's own.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

#include "WidgetTestSupport.h"
#include "installer/qt/TfrmUjMappa.h"

namespace ks::inst::test {
QString TestHome;
}

int main(int argc, char** argv) {
    QTemporaryDir Home;
    const QByteArray H = Home.path().toUtf8();
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("HOME", H.constData(), 1);
    setenv("XDG_CONFIG_HOME", (H + "/.config").constData(), 1);
    setenv("XDG_DATA_HOME", (H + "/.local/share").constData(), 1);
    setenv("XDG_CONFIG_DIRS", (H + "/etc-xdg").constData(), 1);
    QDir().mkpath(Home.path() + "/Documents");
    QDir().mkpath(Home.path() + "/Desktop");
    QDir().mkpath(Home.path() + "/.config");
    ks::inst::test::TestHome = Home.path();
    QApplication App(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int Rc = RUN_ALL_TESTS();
    delete ks::frmUjMappa; // the last dialog ShowUjMappa made
    return Rc;
}
