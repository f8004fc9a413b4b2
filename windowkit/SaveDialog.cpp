// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "SaveDialog.h"

#include <QFileDialog>
#include <QStringList>

namespace quarnel {

namespace {

SaveFileNameHandler& Handler() {
    static SaveFileNameHandler handler;
    return handler;
}

} // namespace

void SetSaveFileNameHandler(SaveFileNameHandler handler) {
    Handler() = std::move(handler);
}

QString SaveFileName(QWidget* parent, const QString& title, const QString& suggestedName,
                     const std::vector<SaveFileType>& types) {
    if (Handler())
        return Handler()(title);
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const SaveFileType& type : types)
        filters << QStringLiteral("%1 (*.%2)").arg(type.description, type.suffix);
    dialog.setNameFilters(filters);
    // A typed name without a suffix takes the one of the file type shown.
    const auto suffixOf = [&](const QString& filter) {
        const auto at = filters.indexOf(filter);
        return at < 0 ? QString() : types[static_cast<std::size_t>(at)].suffix;
    };
    if (!types.empty())
        dialog.setDefaultSuffix(types.front().suffix);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
    dialog.selectFile(suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

} // namespace quarnel
