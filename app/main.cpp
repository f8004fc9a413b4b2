// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Quarnel: which files are held open on a server, and by whom.

#include "AppIcon.h"
#include "CommandLine.h"
#include "NetworkWait.h"
#include "WindowNetwork.h"
#include "frmQuarnel.h"

#include <QApplication>
#include <QSettings>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

constexpr char Usage[] =
    "Usage: quarnel [PATH]\n"
    "Shows which files are held open on an SMB server, and by whom.\n"
    "\n"
    "  PATH       a file or folder as this computer sees it: on a mapped drive or an\n"
    "             SMB mount, \\\\server\\share\\folder, or smb://server/share/folder.\n"
    "             The window finds the server and the folder on it, and lists who\n"
    "             holds files open under it.\n"
    "  --help     prints this text and opens no window\n"
    "  --version  prints the version and opens no window\n"
    "\n"
    "Qt's own options (-style NAME, -platform NAME, ...) are taken by Qt.\n"
    "QUARNEL_TIMEOUT=SECONDS sets how long a silent server is waited for (20).\n"
    "quarnel-cli does the same for scripts; see quarnel(1) and quarnel-cli(1).\n";

// Answers --help and --version on standard output, without a window: the
// exit status, or nullopt for anything else. The exit status says whether
// the text got there.
std::optional<int> AnswerWithoutWindow(const QString& argument) {
    const char* text = argument == QStringLiteral("--help") || argument == QStringLiteral("-h")
                           ? Usage
                       : argument == QStringLiteral("--version") ? "quarnel " QUARNEL_VERSION "\n"
                                                                 : nullptr;
    if (text == nullptr)
        return std::nullopt;
    std::fputs(text, stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    // Asked for by scripts, packagers and people at a terminal: no display
    // is needed for them.
    if (argc == 2)
        if (const auto answered = AnswerWithoutWindow(QString::fromLocal8Bit(argv[1])))
            return *answered;

    // Qt takes its own options out of the arguments; the rest is the path.
    QApplication app(argc, argv);
    QApplication::setWindowIcon(quarnel::AppIcon());
    const QString commandLine = quarnel::CommandLineText(argc, argv);
    if (const auto answered = AnswerWithoutWindow(commandLine))
        return *answered;

    // The platform's usual place: ~/.config/Quarnel/Quarnel.conf, or the
    // registry on Windows.
    QSettings settings(QStringLiteral("Quarnel"), QStringLiteral("Quarnel"));
    quarnel::WindowNetwork network(quarnel::platform::SystemPlatform());
    // A path on the command line shows in the inputs at once; it is resolved
    // and listed once the window is up.
    quarnel::frmQuarnel form(network.Api(), commandLine, &settings, &network.Unattended());
    // The window closes at once, also while a call waits on a server that
    // may not answer for a while: the program then ends without it. The
    // window has saved its settings by then.
    QObject::connect(&app, &QGuiApplication::lastWindowClosed, [] {
        if (quarnel::NetworkWait::Instance().CallsUnderWay())
            std::_Exit(0);
    });
    form.show();
    return QApplication::exec();
}
