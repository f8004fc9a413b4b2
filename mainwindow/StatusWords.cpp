// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "StatusWords.h"

#include "report/Reason.h"

#include <QTime>

namespace quarnel::words {

namespace {

QString Now() {
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
}

QString OpenFiles(std::int32_t count) {
    return count == 1 ? QStringLiteral("1 open file") : QStringLiteral("%1 open files").arg(count);
}

} // namespace

QString ServerForMessage(const QString& server) {
    return QString::fromStdString(report::ServerForMessage(server.toStdString()));
}

QString Reason(modApi& api) {
    return QString::fromStdString(report::Reason(api.Platform(), api.LastFailure));
}

QString ListingOutcome(modApi& api, bool listed, const QString& server) {
    const QString where = ServerForMessage(server);
    if (!listed)
        return QStringLiteral("Cannot list the open files on %1: %2 (at %3)")
            .arg(where, Reason(api), Now());
    const QString found =
        QStringLiteral("%1 on %2 at %3").arg(OpenFiles(api.OpenFileCount), where, Now());
    switch (api.LastBatchEnd) {
    case modApi::BatchEnd::Complete:
        break;
    case modApi::BatchEnd::Failed:
        return found + QStringLiteral("; the list is incomplete, the listing stopped early: ") +
               Reason(api);
    case modApi::BatchEnd::NoMoreRecords:
        return found + QStringLiteral("; the list may be incomplete, the server announced more "
                                      "open files without sending them");
    }
    return found;
}

QString ResolutionFailure(modApi& api, Resolution outcome, const QString& path) {
    switch (outcome) {
    case Resolution::NoNetworkDrive:
        return QStringLiteral("%1 is on no network drive").arg(path);
    case Resolution::NoRemoteName:
        return QStringLiteral("The network drive of %1 has no network name").arg(path);
    case Resolution::NoShare:
        return QStringLiteral("%1 names no share").arg(path);
    case Resolution::InvalidName:
        return QStringLiteral("%1 names a server, share or folder with a character that no name "
                              "may hold")
            .arg(path);
    case Resolution::ShareNotFound:
        return QStringLiteral("Cannot find the share of %1: %2").arg(path, Reason(api));
    case Resolution::Resolved:
        break;
    }
    return {};
}

} // namespace quarnel::words
