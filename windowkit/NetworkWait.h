// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// How every window of Quarnel waits for a call that runs on another thread
// (the network stack's worker): meanwhile the window thread serves the
// window system, input included, so that the windows stay usable, repaint
// and answer the desktop's "are you alive" ping. Any window can abandon
// every wait under way at once (Escape, Stop): the windows are idle again
// at once, and what an abandoned call brings when it ends is thrown away.
//
// A wait returns only once its call has ended, so that the call may use
// what its caller holds: a wait abandoned beneath a newer one (a new
// listing started after Stop) returns once that one has. One for the
// whole program.
#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace quarnel {

class NetworkWait final : public QObject {
    Q_OBJECT

  public:
    static NetworkWait& Instance();

    // Hands `job` to `post`, which runs it on another thread, and serves
    // the window system until it has run. False when the wait was abandoned
    // meanwhile: whatever the job brought is then to be thrown away. Once
    // the application is quitting no events are served: it then waits for
    // the job alone.
    using Poster = std::function<void(std::function<void()> job)>;
    bool Await(const Poster& post, std::function<void()> job);

    // True while a wait that has not been abandoned is under way.
    bool Waiting() const;
    // True while any call runs, abandoned or not.
    bool CallsUnderWay() const { return !waits_.empty(); }

  public slots:
    // Abandons every wait under way.
    void Abandon();

  signals:
    // Waiting() has changed.
    void WaitingChanged(bool waiting);

  private:
    struct Pending;
    void Changed(bool wasWaiting);

    std::vector<Pending*> waits_; // under way, oldest first; window thread only
};

} // namespace quarnel
