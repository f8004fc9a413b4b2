// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// What the main window's status bar and boxes say about the network: how a
// listing ended, why a path could not be resolved, the server as a message
// names it. A failure is told in quarnel-cli's words, with its number.
#pragma once

#include "NetworkPath.h"
#include "modApi.h"

#include <QString>

namespace quarnel::words {

// The server as a message names it: with its two backslashes; "the local
// computer" for none.
QString ServerForMessage(const QString& server);

// The platform's words for the failure that ended `api`'s latest operation,
// with its number: "Access is denied (error 5)".
QString Reason(modApi& api);

// How the listing of `server`'s open files into `api` ended (`listed`: what
// it returned), with the time: the count of open files, or the failure, and
// whether the list is incomplete.
QString ListingOutcome(modApi& api, bool listed, const QString& server);

// Why `path` could not be resolved, for an outcome other than Resolved.
QString ResolutionFailure(modApi& api, Resolution outcome, const QString& path);

} // namespace quarnel::words
