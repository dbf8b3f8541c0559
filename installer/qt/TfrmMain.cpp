#include "installer/qt/TfrmMain.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include "archive/KSProperties.h"
#include "archive/Kestrel.h"
#include "installer/core/KestrelInstallArchive.h"
#include "installer/qt/LinuxOsServices.h"
#include "installer/qt/TfrmUjMappa.h"
#include "platform/KSException.h"
#include "ui_frmMain.h"

// The icon lives in the face library's resources, which a static library must register itself.
static void InitInstallerResources() {
    Q_INIT_RESOURCE(installer);
}

namespace ks {

TfrmMain* frmMain = nullptr;

namespace {
QString Q(const AnsiString& S) {
    return QString::fromStdString(S);
}
} // namespace

TfrmMain::TfrmMain(std::span<const uint8_t> Payload, std::unique_ptr<inst::IOsServices> Os, QWidget* Parent)
    : QWidget(Parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint),
      ui(std::make_unique<Ui::TfrmMain>()), FOs(Os ? std::move(Os) : std::make_unique<TLinuxOsServices>()) {
    // The layouts ask for "MS Sans Serif"; where it is missing, a sans face of about its width
    // keeps the texts inside their controls.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    ui->setupUi(this);
    setFixedSize(601, 334);
    // The caption is two blanks, which the layout file's reader trims away.
    setWindowTitle(QStringLiteral("  "));
    for (QWidget* L : {static_cast<QWidget*>(ui->Label1), static_cast<QWidget*>(ui->Label3),
                       static_cast<QWidget*>(ui->lblWait)})
        L->adjustSize();
    InitInstallerResources();
    ui->Image1->setPixmap(QPixmap(QStringLiteral(":/ferrovan/icon32.png")));
    setWindowIcon(QIcon(QStringLiteral(":/ferrovan/icon32.png")));

    FKestrel = std::make_unique<TKestrel>(nullptr);
    FKestrel->SetName("Kestrel");
    Kestrel = FKestrel.get();
    ApplyStoredKestrelSettings();
    FArchive = std::make_unique<inst::TKestrelInstallArchive>(*FKestrel);
    FLogic = std::make_unique<inst::TMainLogic>(*this, *FOs, *FArchive, Payload,
                                                [this](const AnsiString& P) { return ShowUjMappa(P, *FOs); });

    connect(ui->Drive, &TDriveComboBox::DriveChanged, ui->Dir, &TDirectoryListBox::SetDrive);
    connect(ui->btnRun, &QPushButton::clicked, this, &TfrmMain::btnRunClick);
    connect(ui->btnExit, &QPushButton::clicked, this, &TfrmMain::btnExitClick);
    connect(ui->btnUjMappa, &QPushButton::clicked, this, &TfrmMain::btnUjMappaClick);

    FLogic->FormCreate();
    // Label2 gets its caption in FormCreate and sizes itself to it.
    ui->Label2->adjustSize();
    if (QScreen* S = screen())
        move(S->geometry().center() - rect().center());
}

TfrmMain::~TfrmMain() {
    FLogic.reset();
    FArchive.reset();
    FKestrel.reset();
}

void TfrmMain::ApplyStoredKestrelSettings() {
    static const QByteArray Prefix("Kestrel.");
    for (const QByteArray& Name : dynamicPropertyNames())
        if (Name.startsWith(Prefix))
            KSSetPropertyByName(*FKestrel, Name.mid(Prefix.size()).toStdString(),
                                property(Name.constData()).toString().toStdString());
}

void TfrmMain::SetLabel2Caption(const AnsiString& Text) {
    ui->Label2->setText(Q(Text));
}
void TfrmMain::SetUpdatePanelVisible(bool Visible) {
    ui->pnlUpdate->setVisible(Visible);
    // The folder chooser under the update page cannot be reached, not even with the keyboard.
    ui->Panel4->setVisible(!Visible);
}
bool TfrmMain::UpdatePanelVisible() const {
    return !ui->pnlUpdate->isHidden();
}
void TfrmMain::SetPathCaption(const AnsiString& Text) {
    ui->lblPath->setText(Q(Text));
}
AnsiString TfrmMain::PathCaption() const {
    return ui->lblPath->text().toStdString();
}
void TfrmMain::SetDrive(const AnsiString& Root) {
    const QSignalBlocker Block(ui->Drive);
    ui->Drive->SetDrive(Q(Root));
}
AnsiString TfrmMain::Drive() const {
    return ui->Drive->Drive().toStdString();
}
void TfrmMain::SetDirDrive(const AnsiString& Root) {
    ui->Dir->SetDrive(Q(Root));
}
void TfrmMain::SetDirDirectory(const AnsiString& Path) {
    ui->Dir->SetDirectory(Q(Path));
}
AnsiString TfrmMain::DirDirectory() const {
    return ui->Dir->Directory().toStdString();
}
void TfrmMain::DirUpdate() {
    ui->Dir->Update();
}
void TfrmMain::SetWaitVisible(bool Visible) {
    ui->lblWait->setVisible(Visible);
}
void TfrmMain::SetRunEnabled(bool Enabled) {
    ui->btnRun->setEnabled(Enabled);
}
void TfrmMain::SetExitEnabled(bool Enabled) {
    ui->btnExit->setEnabled(Enabled);
}
void TfrmMain::SetUjMappaEnabled(bool Enabled) {
    ui->btnUjMappa->setEnabled(Enabled);
}
bool TfrmMain::ShortcutChecked() const {
    return ui->chkShortcut->isChecked();
}
void TfrmMain::SetWindowEnabled(bool Enabled) {
    setEnabled(Enabled);
}
void TfrmMain::ProcessMessages() {
    QApplication::processEvents();
}
void TfrmMain::ShowMessage(const AnsiString& Text) {
    QMessageBox Box(QMessageBox::NoIcon, QApplication::applicationName(), Q(Text), QMessageBox::Ok, this);
    Box.setObjectName(QStringLiteral("ShowMessageBox"));
    Box.exec();
}
void TfrmMain::CloseWindow() {
    close();
}

void TfrmMain::btnRunClick() {
    try {
        FLogic->btnRunClick();
    } catch (const std::exception& E) {
        // The application's error box: the error's own text.
        QMessageBox Box(QMessageBox::Critical, QApplication::applicationName(), QString::fromUtf8(E.what()),
                        QMessageBox::Ok, this);
        Box.setObjectName(QStringLiteral("ErrorBox"));
        Box.exec();
    }
}
void TfrmMain::btnExitClick() {
    FLogic->btnExitClick();
}
void TfrmMain::btnUjMappaClick() {
    FLogic->btnUjMappaClick();
}

} // namespace ks
