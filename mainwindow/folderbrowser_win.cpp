#include "FolderBrowser.h"

#include "modApi.h"

#include <QWidget>

namespace quarnel {

QString BrowseForFileOrFolder(QWidget& owner, modApi& api, const QString& title) {
    return QString::fromStdU16String(api.Platform().BrowseForFolder(
        static_cast<std::uintptr_t>(owner.winId()), title.toStdU16String()));
}

} // namespace quarnel
