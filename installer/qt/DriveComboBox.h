// DriveComboBox.h -- the drive selector: the mounted file systems, the root first.
#pragma once

#include <QComboBox>
#include <QString>

namespace ks {

class TDriveComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit TDriveComboBox(QWidget* Parent = nullptr);

    // Re-reads the mounted file systems (real disks only; pseudo file systems are left out).
    void Refresh();
    // The chosen file system's root path.
    QString Drive() const;
    // Chooses the file system whose root is Root; adds it when it is not listed.
    void SetDrive(const QString& Root);

signals:
    // The user or SetDrive chose another file system.
    void DriveChanged(const QString& Root);
};

} // namespace ks
