// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The dialog in which the user names a file to save into. Tests answer it in
// place of a person by installing a handler, as they answer message boxes.
#pragma once

#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace quarnel {

// One kind of file the dialog offers: "CSV files" and "csv".
struct SaveFileType {
    QString description;
    QString suffix;
};

// Shows a modal save dialog over `parent`, starting at `suggestedName`, and
// returns the chosen path, or an empty text when the user cancelled. A name
// typed without a suffix gets the suffix of the chosen file type; a file that
// exists already is only chosen once the user agreed to replace it.
QString SaveFileName(QWidget* parent, const QString& title, const QString& suggestedName,
                     const std::vector<SaveFileType>& types);

// While a handler is installed, SaveFileName asks it instead of showing a
// dialog. Pass an empty function to show dialogs again.
using SaveFileNameHandler = std::function<QString(const QString& title)>;
void SetSaveFileNameHandler(SaveFileNameHandler handler);

} // namespace quarnel
