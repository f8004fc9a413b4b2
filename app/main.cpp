// Quarnel: which files are held open on a server, and by whom.

#include "AppIcon.h"
#include "frmQuarnel.h"
#include "modApi.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setWindowIcon(quarnel::AppIcon());

    // The enumerations yield after every batch: let the windows serve their
    // events meanwhile.
    quarnel::platform::Platform& platform = quarnel::platform::SystemPlatform();
    platform.SetYieldHook([] { QCoreApplication::processEvents(); });
    quarnel::modApi api(platform);

    quarnel::frmQuarnel form(api);
    form.show();
    return QApplication::exec();
}
