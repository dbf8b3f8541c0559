#include "installer/qt/DriveComboBox.h"

#include <QStorageInfo>

namespace ks {

TDriveComboBox::TDriveComboBox(QWidget* Parent) : QComboBox(Parent) {
    Refresh();
    connect(this, &QComboBox::currentIndexChanged, this, [this](int) { emit DriveChanged(Drive()); });
}

void TDriveComboBox::Refresh() {
    const QSignalBlocker Block(this);
    const QString Keep = Drive();
    clear();
    addItem(QStringLiteral("/"), QStringLiteral("/"));
    for (const QStorageInfo& V : QStorageInfo::mountedVolumes()) {
        const QString Root = V.rootPath();
        const QByteArray Type = V.fileSystemType();
        if (Root == QLatin1String("/") || !V.isValid() || !V.isReady() || Type == "tmpfs" ||
            Type == "overlay" || Root.startsWith(QLatin1String("/proc")) ||
            Root.startsWith(QLatin1String("/sys")) || Root.startsWith(QLatin1String("/dev")) ||
            Root.startsWith(QLatin1String("/run")))
            continue;
        if (findData(Root) < 0)
            addItem(Root, Root);
    }
    if (!Keep.isEmpty() && findData(Keep) >= 0)
        setCurrentIndex(findData(Keep));
}

QString TDriveComboBox::Drive() const {
    return currentData().toString();
}

void TDriveComboBox::SetDrive(const QString& Root) {
    int I = findData(Root);
    if (I < 0) {
        addItem(Root, Root);
        I = count() - 1;
    }
    if (I == currentIndex())
        emit DriveChanged(Root);
    else
        setCurrentIndex(I);
}

} // namespace ks
