// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Writes Quarnel's icon in the sizes of the desktop's icon theme, from the
// one drawing that the windows use:
//   render_icon DIR SIZE...   writes DIR/SIZE.png for each number SIZE,
//                             and DIR/scalable.svg for the word "scalable"
#include "AppIcon.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMap>
#include <cstdio>

namespace {

// The drawing is pixel art, so its scalable form is its pixels: one path
// per colour, a unit square per pixel, merged along each row. An SVG paint
// engine would record the drawing's one-pixel lines on the pixel edges,
// where an SVG renderer strokes them half a pixel to either side, not on
// the pixels that the aliased drawing fills.
QByteArray PixelsAsSvg(const QImage& image) {
    QMap<QRgb, QByteArray> runsByColour;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width();) {
            const QRgb colour = image.pixel(x, y);
            int end = x + 1;
            while (end < image.width() && image.pixel(end, y) == colour)
                ++end;
            if (qAlpha(colour) != 0)
                runsByColour[colour] +=
                    QStringLiteral("M%1 %2h%3v1h-%3z").arg(x).arg(y).arg(end - x).toLatin1();
            x = end;
        }
    }
    QByteArray svg = QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
                                    "height=\"%2\" viewBox=\"0 0 %1 %2\" "
                                    "shape-rendering=\"crispEdges\">\n")
                         .arg(image.width())
                         .arg(image.height())
                         .toLatin1();
    for (auto run = runsByColour.cbegin(); run != runsByColour.cend(); ++run) {
        const QRgb colour = run.key();
        svg += QStringLiteral("<path fill=\"%1\"").arg(QColor(colour).name()).toLatin1();
        if (qAlpha(colour) != 255)
            svg += QStringLiteral(" fill-opacity=\"%1\"").arg(qAlpha(colour) / 255.0).toLatin1();
        svg += " d=\"" + run.value() + "\"/>\n";
    }
    return svg + "</svg>\n";
}

bool Write(const QString& file, const QByteArray& data) {
    QFile out(file);
    return out.open(QIODevice::WriteOnly) && out.write(data) == data.size() && out.flush();
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: render_icon DIR SIZE|scalable...\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    const QPixmap drawn = quarnel::AppIcon().pixmap(32, 32);
    for (int i = 2; i < argc; ++i) {
        const QString name = QString::fromLocal8Bit(argv[i]);
        bool written;
        QString file;
        if (name == QStringLiteral("scalable")) {
            file = dir.filePath(QStringLiteral("scalable.svg"));
            written =
                Write(file, PixelsAsSvg(drawn.toImage().convertToFormat(QImage::Format_ARGB32)));
        } else {
            const int size = name.toInt();
            // Whole multiples keep the drawing's pixels sharp.
            const Qt::TransformationMode mode =
                size % 32 == 0 ? Qt::FastTransformation : Qt::SmoothTransformation;
            file = dir.filePath(name + QStringLiteral(".png"));
            written =
                size > 0 && drawn.scaled(size, size, Qt::KeepAspectRatio, mode).save(file, "PNG");
        }
        if (!written) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
