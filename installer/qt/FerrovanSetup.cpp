// ferrovan-setup -- the installer program: the application object, the installer window and a
// hidden new-folder dialog, then the message loop until the window closes.
#include <QApplication>

#include "archive/KSPrompts.h"
#include "installer/core/InstallerTexts.h"
#include "installer/qt/Payload.h"
#include "installer/qt/QtPrompts.h"
#include "installer/qt/TfrmMain.h"
#include "installer/qt/TfrmUjMappa.h"

int main(int argc, char** argv) {
    QApplication App(argc, argv);
    App.setApplicationName(QString::fromUtf8(ks::txt::AppTitle));
    App.setQuitOnLastWindowClosed(true);

    ks::TQtPrompts Prompts;
    ks::KSSetPrompts(&Prompts);

    ks::TfrmMain Main(ks::PayloadBytes());
    ks::frmMain = &Main;
    ks::frmUjMappa = new ks::TfrmUjMappa(&Main); // stays hidden; each "Új mappa" makes a fresh one
    Main.show();
    const int Rc = App.exec();
    ks::KSSetPrompts(nullptr);
    return Rc;
}
