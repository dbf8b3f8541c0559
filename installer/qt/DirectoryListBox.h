// DirectoryListBox.h -- the directory list: the current folder's ancestors from the root of its
// file system, the folder itself, then its sub-folders. Activating an entry moves there.
#pragma once

#include <QListWidget>
#include <QString>

namespace ks {

class TDirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    explicit TDirectoryListBox(QWidget* Parent = nullptr);

    // The current folder as a full path without a trailing separator ("/" for the root).
    QString Directory() const { return FDirectory; }
    // Moves to Path (a folder that does not exist leaves the list where it is).
    void SetDirectory(const QString& Path);
    // Re-roots the list at the root of another file system.
    void SetDrive(const QString& Root);
    QString Drive() const { return FDrive; }
    // Re-reads the file system below the current folder.
    void Update();

signals:
    void DirectoryChanged(const QString& Path);

private:
    void Fill();

    QString FDrive = QStringLiteral("/");
    QString FDirectory = QStringLiteral("/");
};

} // namespace ks
