// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The real main window on a real X server inside the test domain: its
// sign-in dialog names an expired ticket, and "Use my Kerberos ticket" lists
// the member's open files as the ticket's owner. ctest runs this program in
// the client namespace of the domain that scripts/domain-network.sh builds.
#include "E2eSupport.h"
#include "WhileModal.h"
#include "WindowNetwork.h"
#include "frmQuarnel.h"
#include "frmSignIn.h"

#include <QTest>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace quarnel::e2e {
namespace {

// Lists the member's files under `base` with the ticket cache `cache`, and
// hands the sign-in dialog that the listing brings to `answer`. True when
// the dialog came.
bool ListAnswering(frmQuarnel& form, const TestDomain& domain, const std::string& base,
                   const std::string& cache, const std::function<void(frmSignIn&)>& answer) {
    qputenv("KRB5CCNAME", QByteArray::fromStdString(cache));
    form.txtServer->setText(QString::fromStdString(domain.member));
    form.txtBasePath->setText(QString::fromStdString(base));
    const bool asked = test::WhileModal<frmSignIn>(form.cmdListFiles, answer);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.Busy(); }, 30000));
    return asked;
}

TEST(DomainWindowE2eTest, SignInDialogNamesAnExpiredTicketAndSignsInWithAUsableOne) {
    const TestDomain& domain = TestDomain::Get();
    qputenv("KRB5_CONFIG", QByteArray::fromStdString(domain.krb5Config));
    qputenv("QUARNEL_SMB_CONF", QByteArray::fromStdString(domain.smbConf));
    const std::string folder = domain.server.MakeFolder("window-kerberos");
    HeldFiles held(domain.user, domain.userPassword, {folder + "/held.txt:rw"}, domain.server);
    const std::string base = domain.server.ServerPath(folder);

    WindowNetwork network(platform::SystemPlatform());
    frmQuarnel form(network.Api(), QString());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // An expired ticket in the cache and no password: the dialog says why
    // and offers no ticket. A user who may not list is refused, and the
    // status bar says so.
    qputenv("USER", "quarnel-nobody");
    qunsetenv("PASSWD");
    const std::string user = domain.name + "\\" + domain.user;
    EXPECT_TRUE(ListAnswering(form, domain, base, domain.expiredCache, [&](frmSignIn& d) {
        EXPECT_NE(d.lblPrompt->text().indexOf(QStringLiteral("expired at")), -1)
            << d.lblPrompt->text().toStdString();
        EXPECT_FALSE(d.chkKerberos->isVisible());
        QTest::keyClicks(d.txtUser, QString::fromStdString(user));
        QTest::keyClicks(d.txtPassword, QString::fromStdString(domain.userPassword));
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    }));
    EXPECT_EQ(form.lvwFiles->ListItemCount(), 0);
    EXPECT_NE(form.StatusText().indexOf(QStringLiteral("Access is denied")), -1)
        << form.StatusText().toStdString();

    // With the administrator's ticket in the cache, the user signed in
    // before is refused again, and the ticket, chosen in the dialog, lists.
    const MemberLog log(domain);
    EXPECT_TRUE(ListAnswering(form, domain, base, domain.adminCache, [](frmSignIn& d) {
        ASSERT_TRUE(d.chkKerberos->isVisible());
        QTest::mouseClick(d.chkKerberos, Qt::LeftButton);
        EXPECT_FALSE(d.txtUser->isEnabled());
        QTest::mouseClick(d.cmdOK, Qt::LeftButton);
    }));
    ASSERT_EQ(form.lvwFiles->ListItemCount(), 1) << form.StatusText().toStdString();
    EXPECT_EQ(form.lvwFiles->ListItemAt(1).SubItem(1).toStdString(),
              domain.server.ServerPath(folder + "/held.txt"));
    const std::vector<std::string> signIns = log.SignIns();
    EXPECT_TRUE(std::any_of(signIns.begin(), signIns.end(), [](const std::string& s) {
        return s.ends_with("krb5 QUARNEL\\Administrator");
    }));
}

} // namespace
} // namespace quarnel::e2e
