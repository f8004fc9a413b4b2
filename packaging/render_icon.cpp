// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Writes Quarnel's icon as PNG files in the sizes of the desktop's icon
// theme, from the one drawing that the windows use:
//   render_icon DIR SIZE...   writes DIR/SIZE.png for each size
#include "AppIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: render_icon DIR SIZE...\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QPixmap drawn = quarnel::AppIcon().pixmap(32, 32);
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        // The drawing is pixel art: whole multiples keep its pixels sharp.
        const Qt::TransformationMode mode =
            size % 32 == 0 ? Qt::FastTransformation : Qt::SmoothTransformation;
        const QPixmap icon = drawn.scaled(size, size, Qt::KeepAspectRatio, mode);
        const QString file = dir.filePath(QString::number(size) + QStringLiteral(".png"));
        if (size <= 0 || !icon.save(file, "PNG")) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
