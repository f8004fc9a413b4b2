// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// Network messages to the private Samba server, through quarnel-cli and
// through the real send-message window over the system's platform. The
// server stores every message it receives (one file each, named after the
// sender); names are resolved by the test network's WINS server on loopback,
// never by broadcast or DNS.
#include "E2eSupport.h"
#include "MsgBox.h"
#include "WindowNetwork.h"
#include "frmMessage.h"
#include "frmQuarnel.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>

namespace quarnel::e2e {
namespace {

namespace fs = std::filesystem;

const std::string NotFound = "Message alias could not be found on the network.";

class MessageE2eTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(server.messageDir.empty()) << "the test server takes no messages";
        ASSERT_FALSE(server.smbConf.empty());
        qputenv("QUARNEL_SMB_CONF", QByteArray::fromStdString(server.smbConf));
        // In brackets: no message of another test holds it.
        token = "[" + std::to_string(QRandomGenerator::global()->generate64()) + "]";
    }

    // The messages of this test (those whose text holds its token), file name
    // and text, once there are at least `count` of them: the server stores
    // each in the background after the sender is done, under a name that
    // starts with a dot until it is complete.
    std::vector<std::pair<std::string, std::string>> Arrived(std::size_t count) const {
        std::vector<std::pair<std::string, std::string>> arrived;
        for (int wait = 0; wait < 200; ++wait) {
            arrived.clear();
            for (const auto& entry : fs::directory_iterator(server.messageDir)) {
                std::ifstream file(entry.path(), std::ios::binary);
                std::string name = entry.path().filename().string(),
                            text(std::istreambuf_iterator<char>(file), {});
                if (!name.starts_with('.') && text.find(token) != std::string::npos)
                    arrived.emplace_back(std::move(name), std::move(text));
            }
            if (arrived.size() >= count)
                break;
            QThread::msleep(50);
        }
        return arrived;
    }

    const TestServer& server = TestServer::Get();
    std::string token;
};

// Messages reach the server's own name and a user name, and straight to an
// address whatever the name (no name resolution); the text comes from the
// command line or from standard input and arrives as written, a line break
// too (CR LF on the way, LF as the server stores it), named after the sender
// (smbclient takes USER). smbclient would cut a long text and garble
// characters outside the DOS code page: such a text is refused before
// anything goes, and what goes arrives whole and as written.
TEST_F(MessageE2eTest, CliDeliversWhatArrivesWholeAndAsWrittenAndRefusesTheRest) {
    const std::string& admin = server.adminUser;
    const auto send = [&](std::vector<std::string> args, const std::string& text) {
        args.insert(args.begin(), "send");
        args.insert(args.end(), {"--message", text});
        return RunCli(args, admin, server.adminPassword);
    };
    const std::string message = "Please close budget.xlsx " + token + "\nThanks";
    const std::string atLimit = token + std::string(1598 - token.size(), 'a');
    const std::string accented = "Grüße, été ½ " + token;
    const CliResult sent[] = {
        send({server.netbiosName, admin}, message),
        RunCli({"send", server.netbiosName}, server.plainUser, server.plainPassword,
               "from a script " + token + "\n"),
        send({"not-in-wins", "--server", "\\\\" + server.address}, "by address " + token),
        send({server.netbiosName}, atLimit), send({server.netbiosName}, accented)};
    for (const CliResult& each : sent)
        EXPECT_EQ(each.exitCode, 0) << each.out << each.err;
    const std::string refused[][2] = {
        {atLimit + "b", "The message is too long for the network to deliver whole"},
        {"Привет " + token,
         "The message holds characters that the network cannot deliver as written"},
    };
    for (const auto& [text, reason] : refused) {
        const CliResult failed = send({server.netbiosName}, text);
        EXPECT_EQ(failed.exitCode, 1);
        EXPECT_EQ(failed.err, "quarnel-cli: Sending message to " + server.netbiosName +
                                  " failed (" + reason + ")\n");
    }

    std::multiset<std::pair<std::string, std::string>> arrived; // sender, text
    for (const auto& [name, text] : Arrived(6))
        arrived.insert({name.substr(0, name.find('.')), text});
    EXPECT_EQ(arrived, (std::multiset<std::pair<std::string, std::string>>{
                           {admin, message},
                           {admin, message},
                           {server.plainUser, "from a script " + token},
                           {admin, "by address " + token},
                           {admin, atLimit},
                           {admin, accented}}));
}

// Through the send-message window over the system's platform: a name that
// no one answers to is told in words of its own, and the user and the
// computer after it get the message as typed. (What OK and Cancel do after
// a failure is the window test's to show.)
TEST_F(MessageE2eTest, UnknownNameIsToldAndTheOthersGetTheMessage) {
    QStringList boxes;
    SetMsgBoxHandler([&](const QString& prompt, MsgBoxButtons, MsgBoxIcon, const QString& title) {
        boxes << title + ": " + prompt;
        return MsgBoxResult::OK;
    });
    const auto restore = qScopeGuard([] { SetMsgBoxHandler({}); });
    WindowNetwork network(platform::SystemPlatform());
    frmQuarnel main(network.Api());
    main.show();
    main.cmdMessage->click();
    auto* window = qobject_cast<frmMessage*>(main.frmMessage.data());
    ASSERT_NE(window, nullptr);
    // Sorted: the unknown name first, then the computer, then the user.
    for (const std::string& name :
         {server.plainUser, server.netbiosName, std::string("nosuchname")}) {
        window->txtRecip->setText(QString::fromStdString(name));
        window->cmdAdd->click();
    }
    const std::string message = "Please close budget.xlsx " + token + "\nsecond line";
    window->txtMessage->setPlainText(QString::fromStdString(message));
    window->cmdSend->click();
    EXPECT_EQ(boxes, QStringList{QString::fromStdString(
                         "Message not send: Error sending message to : nosuchname\r\n" + NotFound +
                         "\r\n\r\nPress cancel to abort all messages")});
    EXPECT_EQ(window->StatusText().toStdString(),
              "Message to " + server.plainUser + " send successfully");
    const auto arrived = Arrived(2);
    ASSERT_EQ(arrived.size(), 2u);
    for (const auto& [name, text] : arrived)
        EXPECT_EQ(text, message);
}

} // namespace
} // namespace quarnel::e2e
