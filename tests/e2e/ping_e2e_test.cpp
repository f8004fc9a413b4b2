// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The real main window on a real X server (Xvfb), listing the open files of
// a server that accepts the connection and then never answers: for the
// whole wait the window answers the ping by which desktops tell a hung
// window (_NET_WM_PING), as a window manager would send it.
#include "E2eSupport.h"
#include "WindowNetwork.h"
#include "frmQuarnel.h"

#include <QApplication>
#include <QTest>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <poll.h>
#include <xcb/xcb.h>

namespace quarnel::e2e {
namespace {

xcb_atom_t Atom(xcb_connection_t* x, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

struct Pings {
    int counted = 0, unanswered = 0;
};

// Pings `window` again and again until `stop`, as a window manager does,
// from a connection of its own, and counts the pings sent while `counts`
// holds and those of them that went unanswered.
Pings Ping(xcb_window_t window, const std::atomic<bool>& stop,
           const std::function<bool()>& counts) {
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                               XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY |
                               XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_client_message_event_t ping{};
    ping.response_type = XCB_CLIENT_MESSAGE;
    ping.format = 32;
    ping.window = window;
    ping.type = Atom(x, "WM_PROTOCOLS");
    ping.data.data32[0] = Atom(x, "_NET_WM_PING");
    ping.data.data32[2] = window;
    Pings pings;
    for (std::uint32_t stamp = 1; !stop; ++stamp) {
        const bool counted = counts();
        ping.data.data32[1] = stamp;
        xcb_send_event(x, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&ping));
        xcb_flush(x);
        // The answer goes to the root window, where a window manager listens;
        // it must come within the time a desktop waits before it calls a
        // window hung.
        bool answered = false;
        pollfd readable{xcb_get_file_descriptor(x), POLLIN, 0};
        for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
             !answered && std::chrono::steady_clock::now() < deadline; ::poll(&readable, 1, 50)) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(x)) {
                const auto* answer = reinterpret_cast<xcb_client_message_event_t*>(event);
                answered |= (event->response_type & 0x7F) == XCB_CLIENT_MESSAGE &&
                            answer->data.data32[0] == ping.data.data32[0] &&
                            answer->data.data32[1] == stamp;
                std::free(event);
            }
        }
        pings.counted += counted;
        pings.unanswered += counted && !answered;
        ::poll(nullptr, 0, 200);
    }
    xcb_disconnect(x);
    return pings;
}

TEST(WindowAgainstASilentServer, AnswersTheDesktopsPingForTheWholeWait) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "run under an X server (xvfb-run)";
    const std::string address = "127.0.0.2";
    const BrokenServer server(address, 445, BrokenServer::Answer::Nothing);
    ASSERT_TRUE(server.Listening()) << "root is needed";
    qputenv("USER", "quarneladmin");
    qputenv("PASSWD", "unused");
    qunsetenv("KRB5CCNAME");

    WindowNetwork network(platform::SystemPlatform());
    frmQuarnel form(network.Api());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.txtServer->setText(QString::fromStdString(address));

    std::atomic<bool> listing = true, stop = false;
    auto pinger = std::async(std::launch::async, Ping, static_cast<xcb_window_t>(form.winId()),
                             std::cref(stop), [&] { return listing && server.Connected(); });
    QTest::keyClick(form.txtServer, Qt::Key_Return); // returns when the client gives up
    listing = false;
    stop = true;
    const Pings pings = pinger.get();

    EXPECT_TRUE(server.Connected());
    EXPECT_GT(pings.counted, 0);
    EXPECT_EQ(pings.unanswered, 0) << "of " << pings.counted << " pings during the wait";
    EXPECT_EQ(form.lvwFiles->ListItemCount(), 0);
    EXPECT_TRUE(form.cmdListFiles->isEnabled());
}

} // namespace
} // namespace quarnel::e2e
