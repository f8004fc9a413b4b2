// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

#include "FakePlatform.h"
#include "SignInPlatform.h"
#include "frmSignIn.h"
#include "modApi.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

namespace netstatus = quarnel::platform::netstatus;
using quarnel::platform::Credentials;
using quarnel::platform::NetStatus;
using quarnel::test::FakeBatch;
using quarnel::test::FakeFile;

// A refused listing asks once and is made again with what was given; it
// asks only for a refusal, only where credentials can be given, and Cancel
// passes the refusal on.
TEST(SignInPlatform, AsksOnceForARefusalAndCallsAgain) {
    const Credentials given{u"DOM\\admin", u"secret", false};
    struct Case {
        const char* what;
        NetStatus first, second;
        bool takesCredentials;
        std::optional<Credentials> answer;
        int asks, calls;
        bool listed;
    };
    const Case cases[] = {
        {"logon failure, signed in", netstatus::LogonFailure, netstatus::Success, true, given, 1, 2,
         true},
        {"access denied, signed in", netstatus::AccessDenied, netstatus::Success, true, given, 1, 2,
         true},
        {"cancelled", netstatus::AccessDenied, netstatus::Success, true, std::nullopt, 1, 1, false},
        {"refused again: asked once only", netstatus::LogonFailure, netstatus::LogonFailure, true,
         given, 1, 2, false},
        {"no refusal", netstatus::BadNetPath, netstatus::Success, true, given, 0, 1, false},
        {"logon session only", netstatus::LogonFailure, netstatus::Success, false, given, 0, 1,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        quarnel::test::FakePlatform fake;
        fake.signIn = {c.takesCredentials, true};
        fake.fileBatches.push_back({c.first, {}, /*bufferOnFailure=*/true});
        fake.fileBatches.push_back({c.second, {FakeFile{7, 1, 0, u"C:\\a", u"bob"}}});
        int asks = 0;
        quarnel::SignInPlatform signIn(
            fake, [&](const QString& server, const QString& reason, bool offerKerberos) {
                ++asks;
                EXPECT_EQ(server, QStringLiteral("\\\\srv"));
                EXPECT_FALSE(reason.isEmpty());
                EXPECT_TRUE(offerKerberos);
                return c.answer;
            });
        quarnel::modApi api(signIn);
        EXPECT_EQ(api.EnumOpenFiles(u"srv", u"", u"") && api.OpenFileCount == 1, c.listed);
        EXPECT_EQ(asks, c.asks);
        EXPECT_EQ(static_cast<int>(fake.fileCalls.size()), c.calls);
        EXPECT_TRUE(fake.allBuffersReleasedOnce());
        if (c.calls == 2)
            ASSERT_EQ(fake.credentialsGiven,
                      (std::vector<std::pair<std::u16string, Credentials>>{{u"\\\\srv", given}}));
        else
            EXPECT_TRUE(fake.credentialsGiven.empty());
    }
}

// The dialog gives what was typed, or the ticket alone; OK waits for a user
// name unless the ticket is chosen.
TEST(SignInDialog, GivesWhatWasEntered) {
    quarnel::frmSignIn dialog(QStringLiteral("\\\\srv"), QStringLiteral("Access is denied."), true);
    EXPECT_FALSE(dialog.cmdOK->isEnabled());
    QTest::keyClicks(dialog.txtUser, QStringLiteral("DOM\\admin"));
    QTest::keyClicks(dialog.txtPassword, QStringLiteral("secret"));
    EXPECT_TRUE(dialog.cmdOK->isEnabled());
    EXPECT_EQ(dialog.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.Entered(), (Credentials{u"DOM\\admin", u"secret", false}));
    dialog.chkKerberos->setChecked(true);
    EXPECT_FALSE(dialog.txtPassword->isEnabled());
    EXPECT_EQ(dialog.Entered(), (Credentials{{}, {}, true}));

    quarnel::frmSignIn withoutTicket(QString(), QStringLiteral("Access is denied."), false);
    EXPECT_TRUE(withoutTicket.chkKerberos->isHidden());
    EXPECT_TRUE(withoutTicket.windowTitle().endsWith(QStringLiteral("the local computer")));
}

} // namespace
