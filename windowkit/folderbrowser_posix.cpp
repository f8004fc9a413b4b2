// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "FolderBrowser.h"

#include "platform/mounts_samba.h"

#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QUrl>

namespace quarnel {

namespace {

// Takes an existing file or an existing folder alike, and with nothing typed
// or selected the folder shown. Qt's own dialog opens a folder where one
// would choose it, and greys its button while nothing is typed: the button
// is put right after each of the dialog's own updates.
class FileOrFolderDialog final : public QFileDialog {
  public:
    FileOrFolderDialog(QWidget& owner, const QString& title) : QFileDialog(&owner, title) {
        setOption(DontUseNativeDialog); // a native dialog takes files or folders, not both
        setFileMode(AnyFile);
        setAcceptMode(AcceptOpen);
        auto* buttons = findChild<QDialogButtonBox*>();
        choose_ = buttons != nullptr ? buttons->button(QDialogButtonBox::Open) : nullptr;
        name_ = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (choose_ == nullptr || name_ == nullptr)
            return;
        connect(name_, &QLineEdit::textChanged, this, &FileOrFolderDialog::FitChooseButton);
        connect(this, &QFileDialog::currentChanged, this, &FileOrFolderDialog::FitChooseButton);
        connect(this, &QFileDialog::directoryEntered, this, &FileOrFolderDialog::FitChooseButton);
        FitChooseButton();
    }

    void accept() override {
        const QStringList chosen = selectedFiles();
        if (chosen.size() == 1 && QFileInfo::exists(chosen.first()))
            QDialog::accept();
    }

  private:
    void FitChooseButton() {
        choose_->setText(tr("&Choose"));
        if (name_->text().isEmpty())
            choose_->setEnabled(true);
    }

    QPushButton* choose_ = nullptr;
    QLineEdit* name_ = nullptr;
};

// Where this machine mounts SMB shares: the SMB folders of GVfs in the
// user's runtime directory, and every mount that the network drive lookup
// takes for an SMB mount.
QList<QUrl> SmbPlaces(QString& gvfs) {
    QList<QUrl> places;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    const QDir gvfsDir(runtime + QStringLiteral("/gvfs"));
    gvfs = !runtime.isEmpty() && gvfsDir.exists() ? gvfsDir.absolutePath() : QString();
    if (!gvfs.isEmpty()) {
        places << QUrl::fromLocalFile(gvfs);
        for (const QFileInfo& share : gvfsDir.entryInfoList({QStringLiteral("smb-share:*")},
                                                            QDir::Dirs | QDir::NoDotAndDotDot))
            places << QUrl::fromLocalFile(share.absoluteFilePath());
    }
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (platform::samba::IsSmbFileSystem(volume.fileSystemType().toStdString()))
            places << QUrl::fromLocalFile(volume.rootPath());
    return places;
}

// The side bar: the SMB places first, then home and the root folder to
// reach any other mount from.
QList<QUrl> SideBar(const QList<QUrl>& smbPlaces) {
    return smbPlaces + QList<QUrl>{QUrl::fromLocalFile(QDir::homePath()), QUrl::fromLocalFile("/")};
}

} // namespace

QString BrowseForFileOrFolder(QWidget& owner, const QString& title) {
    FileOrFolderDialog dialog(owner, title);
    QString gvfs;
    const QList<QUrl> places = SmbPlaces(gvfs);
    dialog.setSidebarUrls(SideBar(places));
    dialog.setDirectory(!gvfs.isEmpty()     ? gvfs
                        : !places.isEmpty() ? places.first().toLocalFile()
                                            : QDir::homePath());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return QDir::cleanPath(dialog.selectedFiles().value(0));
}

} // namespace quarnel
