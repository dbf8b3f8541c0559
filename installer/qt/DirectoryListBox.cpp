#include "installer/qt/DirectoryListBox.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QStyle>
#include <algorithm>

namespace ks {

namespace {
constexpr int PathRole = Qt::UserRole;
constexpr int ItemHeight = 16;
constexpr int IndentPerLevel = 2; // blanks of indentation per folder level
} // namespace

TDirectoryListBox::TDirectoryListBox(QWidget* Parent) : QListWidget(Parent) {
    setUniformItemSizes(true);
    setIconSize(QSize(14, 14));
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* Item) { SetDirectory(Item->data(PathRole).toString()); });
    Fill();
}

void TDirectoryListBox::SetDirectory(const QString& Path) {
    QFileInfo Info(Path);
    if (!Info.isDir())
        return;
    QString Clean = QDir::cleanPath(Info.absoluteFilePath());
    if (Clean.isEmpty())
        Clean = QStringLiteral("/");
    const bool Changed = Clean != FDirectory;
    FDirectory = Clean;
    Fill();
    if (Changed)
        emit DirectoryChanged(FDirectory);
}

void TDirectoryListBox::SetDrive(const QString& Root) {
    FDrive = Root.isEmpty() ? QStringLiteral("/") : QDir::cleanPath(Root);
    if (!(FDirectory == FDrive ||
          FDirectory.startsWith(FDrive == QLatin1String("/") ? FDrive : FDrive + '/')))
        SetDirectory(FDrive);
}

void TDirectoryListBox::Update() {
    Fill();
}

void TDirectoryListBox::Fill() {
    clear();
    const QIcon Open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon Closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    // Ancestors from the root to the current folder.
    QStringList Chain;
    for (QString P = FDirectory;; P = QFileInfo(P).path()) {
        Chain.prepend(P);
        if (P == QLatin1String("/") || P == FDrive || QFileInfo(P).path() == P)
            break;
    }
    int Level = 0;
    for (const QString& P : Chain) {
        const QString Name = P == QLatin1String("/") ? P : QFileInfo(P).fileName();
        auto* Item = new QListWidgetItem(Open, QString(Level * IndentPerLevel, ' ') + Name, this);
        Item->setData(PathRole, P);
        Item->setSizeHint(QSize(0, ItemHeight));
        ++Level;
    }
    if (count() > 0)
        setCurrentRow(count() - 1);
    QStringList Subs = QDir(FDirectory).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator Coll;
    Coll.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(Subs.begin(), Subs.end(),
              [&](const QString& A, const QString& B) { return Coll.compare(A, B) < 0; });
    for (const QString& S : Subs) {
        auto* Item = new QListWidgetItem(Closed, QString(Level * IndentPerLevel, ' ') + S, this);
        Item->setData(PathRole, FDirectory == QLatin1String("/") ? FDirectory + S : FDirectory + '/' + S);
        Item->setSizeHint(QSize(0, ItemHeight));
    }
}

} // namespace ks
