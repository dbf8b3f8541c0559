// Ferrovan.exe -- the sample application the installer carries. Started with FIRST_RUN it
// records its arguments, working folder and process id in Ferrovan.log beside itself and stores
// its own folder (ending with "/") as AppPath, as the real application does, so that the next
// installer run opens in update mode. With a display it shows a small window.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTextStream>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstdlib>
#include <memory>

namespace {

bool HasDisplay() {
    const char* Platform = std::getenv("QT_QPA_PLATFORM");
    if (Platform && QByteArray(Platform) == "offscreen")
        return false;
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv) {
    // The launch is recorded before any display is used: a window that cannot be shown must not
    // lose the record the installer's tests and the next installer run rely on.
    auto App = std::make_unique<QCoreApplication>(argc, argv);
    const QString Folder = QCoreApplication::applicationDirPath();
    const QStringList Args = QCoreApplication::arguments().mid(1);
    const bool FirstRun = Args.contains(QStringLiteral("FIRST_RUN"));
    if (FirstRun) {
        QSettings Settings(QStringLiteral("Larkspur"), QStringLiteral("Ferrovan"));
        Settings.setValue(QStringLiteral("AppPath"), Folder + QLatin1Char('/'));
        Settings.sync();
        // The log comes last: a watcher that sees it knows the settings are stored.
        QFile Log(Folder + QStringLiteral("/Ferrovan.log"));
        if (Log.open(QIODevice::Append | QIODevice::Text)) {
            QTextStream Out(&Log);
            Out << "args=" << Args.join(QLatin1Char(' ')) << '\n'
                << "cwd=" << QDir::currentPath() << '\n'
                << "pid=" << QCoreApplication::applicationPid() << '\n';
        }
    }
    if (!HasDisplay())
        return 0;
    App.reset(); // one application object at a time
    QApplication Gui(argc, argv);

    QWidget Window;
    Window.setWindowTitle(QStringLiteral("Ferrovan"));
    auto* Layout = new QVBoxLayout(&Window);
    auto* Text =
        new QLabel(FirstRun ? QStringLiteral("Ferrovan kitöltőprogram – első indítás\n%1").arg(Folder)
                            : QStringLiteral("Ferrovan kitöltőprogram\n%1").arg(Folder));
    Text->setAlignment(Qt::AlignCenter);
    Layout->addWidget(Text);
    Window.resize(360, 120);
    Window.show();
    // FERROVAN_AUTOCLOSE=<seconds> ends the demonstration window by itself.
    if (const char* Secs = std::getenv("FERROVAN_AUTOCLOSE"))
        QTimer::singleShot(std::atoi(Secs) * 1000, &Window, &QWidget::close);
    return Gui.exec();
}
