// Quarnel: which files are held open on a server, and by whom.

#include "AppIcon.h"
#include "CommandLine.h"
#include "ResponsivePlatform.h"
#include "frmQuarnel.h"
#include "modApi.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    const QString commandLine = quarnel::CommandLineText(argc, argv);
    QApplication app(argc, argv);
    QApplication::setWindowIcon(quarnel::AppIcon());

    // The network calls wait off the window thread, and the enumerations
    // yield after every batch: the windows serve their events meanwhile.
    quarnel::ResponsivePlatform platform(quarnel::platform::SystemPlatform());
    platform.SetYieldHook([] { QCoreApplication::processEvents(); });
    quarnel::modApi api(platform);

    // A path on the command line is resolved and listed before the window
    // is first shown; its message boxes come before the window.
    quarnel::frmQuarnel form(api, commandLine);
    form.show();
    return QApplication::exec();
}
