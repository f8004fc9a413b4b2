// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Drives a modal window from a test: the click that opens it does not return
// until the window has closed, so the test acts from inside its event loop.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace quarnel::test {

// Clicks `button` and runs `inside` once the window of type Window that it
// opens is shown modally; closes that window with its close box if `inside`
// has not. True when the window was shown.
template <typename Window>
bool WhileModal(QAbstractButton* button, const std::function<void(Window&)>& inside) {
    bool shown = false;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        if (window == nullptr || !window->isVisible())
            return;
        poll.stop();
        shown = true;
        const QPointer<Window> alive(window);
        inside(*window);
        if (alive)
            window->close();
    });
    poll.start();
    button->click();
    return shown;
}

} // namespace quarnel::test
