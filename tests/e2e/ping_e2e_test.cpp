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
#include <gtest/gtest.h>
#include <poll.h>
#include <thread>
#include <xcb/xcb.h>

namespace quarnel::e2e {
namespace {

// Pings a window again and again, as a window manager does, from a
// connection of its own, and counts the pings sent while `counts` holds and
// those of them that went unanswered for longer than a desktop waits.
class Pinger {
  public:
    Pinger(xcb_window_t window, std::function<bool()> counts)
        : window_(window), counts_(std::move(counts)) {
        connection_ = xcb_connect(nullptr, nullptr);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        protocols_ = Atom("WM_PROTOCOLS");
        ping_ = Atom("_NET_WM_PING");
        // Answers go to the root window, where a window manager listens.
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY |
                                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY |
                                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
        thread_ = std::thread([this] { Run(); });
    }
    ~Pinger() {
        Stop();
        xcb_disconnect(connection_);
    }
    void Stop() {
        stop_ = true;
        if (thread_.joinable())
            thread_.join();
    }
    int counted = 0, unanswered = 0;

  private:
    static constexpr int DesktopPatienceMs = 5000;
    static constexpr int IntervalMs = 200;

    xcb_atom_t Atom(const char* name) {
        const auto cookie = xcb_intern_atom(connection_, 0, std::strlen(name), name);
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookie, nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return atom;
    }

    void Run() {
        for (std::uint32_t stamp = 1; !stop_; ++stamp) {
            const bool counts = counts_();
            xcb_client_message_event_t ping{};
            ping.response_type = XCB_CLIENT_MESSAGE;
            ping.format = 32;
            ping.window = window_;
            ping.type = protocols_;
            ping.data.data32[0] = ping_;
            ping.data.data32[1] = stamp;
            ping.data.data32[2] = window_;
            xcb_send_event(connection_, 0, window_, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char*>(&ping));
            xcb_flush(connection_);
            const bool answered = AwaitAnswer(stamp);
            if (counts) {
                ++counted;
                unanswered += !answered;
            }
            ::poll(nullptr, 0, IntervalMs);
        }
    }

    bool AwaitAnswer(std::uint32_t stamp) {
        pollfd x{xcb_get_file_descriptor(connection_), POLLIN, 0};
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(DesktopPatienceMs);
        while (std::chrono::steady_clock::now() < deadline) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                const bool answer = (event->response_type & 0x7F) == XCB_CLIENT_MESSAGE &&
                                    message->data.data32[0] == ping_ &&
                                    message->data.data32[1] == stamp;
                std::free(event);
                if (answer)
                    return true;
            }
            ::poll(&x, 1, 50);
        }
        return false;
    }

    xcb_window_t window_;
    std::function<bool()> counts_;
    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_atom_t protocols_ = 0, ping_ = 0;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

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

    std::atomic<bool> listing = true;
    Pinger pinger(static_cast<xcb_window_t>(form.winId()),
                  [&] { return listing && server.Connected(); });
    QTest::keyClick(form.txtServer, Qt::Key_Return); // returns when the client gives up
    listing = false;
    pinger.Stop();

    EXPECT_TRUE(server.Connected());
    EXPECT_GT(pinger.counted, 0);
    EXPECT_EQ(pinger.unanswered, 0) << "of " << pinger.counted << " pings during the wait";
    EXPECT_EQ(form.lvwFiles->ListItemCount(), 0);
    EXPECT_TRUE(form.cmdListFiles->isEnabled());
}

} // namespace
} // namespace quarnel::e2e
