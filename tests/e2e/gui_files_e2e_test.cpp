// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright (C) 2026 The Quarnel developers

// The real main window over the system's platform against the private Samba
// server: what it lists when the user presses Enter, and when it is started
// with a path.
#include "ContextMenu.h"
#include "DragEvents.h"
#include "E2eSupport.h"
#include "MsgBox.h"
#include "WhileModal.h"
#include "WindowNetwork.h"
#include "frmQuarnel.h"
#include "frmShares.h"
#include "frmSignIn.h"
#include "platform/ForwardingPlatform.h"
#include "platform/mounts_samba.h"
#include "report/Audit.h"
#include "utf.h"

#include <QApplication>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <deque>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace quarnel::e2e {
namespace {

using Row = std::tuple<std::string, std::string, std::string, int>; // user, path, letters, locks

// The system's platform, with SMB mounts looked up in a mount table of the
// test's own instead of this machine's.
class MountTablePlatform final : public platform::ForwardingPlatform {
  public:
    explicit MountTablePlatform(std::vector<platform::samba::MountEntry> mounts)
        : ForwardingPlatform(platform::SystemPlatform()), mounts_(std::move(mounts)) {}

    platform::NetworkDrive LookUpNetworkDrive(const std::u16string& path) override {
        return platform::samba::NetworkDriveFromMounts(ToUtf8(path), mounts_);
    }

  private:
    std::vector<platform::samba::MountEntry> mounts_;
};

class WindowE2eTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMsgBoxHandler(
            [this](const QString&, MsgBoxButtons buttons, MsgBoxIcon, const QString& title) {
                boxTitles.push_back(title.toStdString());
                return buttons == MsgBoxButtons::YesNo ? MsgBoxResult::Yes : MsgBoxResult::OK;
            });
        report::SetAuditSink([this](const std::string& line, bool) { audit.push_back(line); });
    }
    void TearDown() override {
        SetMsgBoxHandler({});
        report::SetAuditSink({});
    }

    // Credentials for every server, as if given on the command line. The
    // environment gives none.
    static void SignInAs(const std::string& user, const std::string& password) {
        platform::SystemPlatform().SetCredentials(
            platform::EveryServer, {QString::fromStdString(user).toStdU16String(),
                                    QString::fromStdString(password).toStdU16String(), false});
    }

    // The window over the system's platform (or `system`) as the program
    // reaches it; `ask` stands in for the sign-in dialog.
    std::unique_ptr<frmQuarnel> Open(const QString& commandLine = {}, SignInAsker ask = {},
                                     platform::Platform* system = nullptr) {
        qputenv("USER", "quarnel-nobody");
        qunsetenv("PASSWD");
        qunsetenv("KRB5CCNAME");
        if (system == nullptr)
            system = &platform::SystemPlatform();
        // Each window keeps its own, as long as the test runs.
        networks.push_back(std::make_unique<WindowNetwork>(*system, std::move(ask)));
        auto form = std::make_unique<frmQuarnel>(networks.back()->Api(), commandLine, nullptr,
                                                 &networks.back()->Unattended());
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return form;
    }

    // Types into the three inputs and presses Enter in the user box.
    static void ListWith(frmQuarnel& form, const std::string& server, const std::string& base,
                         const std::string& user) {
        form.txtServer->setText(QString::fromStdString(server));
        form.txtBasePath->setText(QString::fromStdString(base));
        form.txtUser->setText(QString::fromStdString(user));
        form.txtUser->setFocus();
        QTest::keyClick(form.txtUser, Qt::Key_Return);
        EXPECT_TRUE(form.cmdListFiles->isEnabled());
    }

    static std::multiset<Row> Rows(frmQuarnel& form) {
        std::multiset<Row> rows;
        for (int i = 1; i <= form.lvwFiles->ListItemCount(); ++i) {
            const ListItem item = form.lvwFiles->ListItemAt(i);
            bool numeric = false;
            item.SubItem(2).toInt(&numeric);
            EXPECT_TRUE(numeric) << "File ID " << item.SubItem(2).toStdString();
            rows.insert({item.Text().toStdString(), item.SubItem(1).toStdString(),
                         item.SubItem(3).toStdString(), item.SubItem(4).toInt()});
        }
        return rows;
    }

    const TestServer& server = TestServer::Get();
    std::vector<std::unique_ptr<WindowNetwork>> networks;
    std::vector<std::string> boxTitles;
    std::vector<std::string> audit; // the record of each close
};

// With nothing in the environment, a person signs in through the dialog
// when the server refuses, once per refused listing; a refusal after it
// leaves the list empty and says nothing, and what was accepted holds for
// the server. Each step answers the one dialog it brings. A server that
// cannot be reached (nothing listens on 127.0.0.2) asks for no sign-in.
TEST_F(WindowE2eTest, SignsInThroughTheDialogWhenRefused) {
    const std::string dir = server.MakeFolder("gui-signin");
    HeldFiles held(server.plainUser, server.plainPassword, {dir + "/held.txt:rw"});
    using Answer = std::optional<std::pair<std::string, std::string>>; // nullopt: Cancel
    struct Step {
        const char* what;
        std::vector<Answer> answers;
        bool listed;
        std::string address;
    };
    const std::string& a = server.address;
    const Step steps[] = {
        {"closed port", {}, false, "127.0.0.2"},
        {"cancelled", {std::nullopt}, false, a},
        {"wrong password", {Answer({server.adminUser, "not-the-password"})}, false, a},
        {"not an administrator", {Answer({server.plainUser, server.plainPassword})}, false, a},
        {"administrator",
         {Answer({"QUARNEL\\" + server.adminUser, server.adminPassword})},
         true,
         a},
        {"signed in already", {}, true, a},
    };
    auto form = Open();
    std::deque<Answer> pending;
    std::vector<std::string> titles;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<frmSignIn*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        titles.push_back(dialog->windowTitle().toStdString());
        const Answer answer = pending.empty() ? std::nullopt : pending.front();
        if (!pending.empty())
            pending.pop_front();
        if (!answer) {
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
            return;
        }
        EXPECT_EQ(dialog->txtPassword->echoMode(), QLineEdit::Password);
        EXPECT_FALSE(dialog->cmdOK->isEnabled()); // until a user is given
        QTest::keyClicks(dialog->txtUser, QString::fromStdString(answer->first));
        QTest::keyClicks(dialog->txtPassword, QString::fromStdString(answer->second));
        QTest::keyClick(dialog->txtPassword, Qt::Key_Return);
    });
    answerer.start(20);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        pending.assign(step.answers.begin(), step.answers.end());
        titles.clear();
        ListWith(*form, step.address, server.ServerPath(dir), "");
        EXPECT_EQ(titles, std::vector<std::string>(step.answers.size(),
                                                   "Sign in to \\\\" + server.address));
        EXPECT_EQ(Rows(*form).size(), step.listed ? 1u : 0u);
        EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
    }
    EXPECT_TRUE(boxTitles.empty());
}

// Started with a network path, the window lists exactly the files held open
// under it; Enter lists what the inputs say, and Close File closes the two
// selected files on the server under their holder and no other, each in the
// audit trail. Refreshed every 2 seconds, the list loses them and gains a
// file opened since, marked, without a click, and the selection stays.
TEST_F(WindowE2eTest, ListsTheFilesHeldOpenUnderAPathAndClosesTwo) {
    SignInAs(server.adminUser, server.adminPassword);
    const std::string dir = server.MakeFolder("gui-files");
    server.MakeFolder(dir + "/sub");
    HeldFiles admin(server.adminUser, server.adminPassword,
                    {dir + "/write.txt:w", dir + "/sub/inner.txt:rw:2"});
    HeldFiles plain(server.plainUser, server.plainPassword,
                    {dir + "/sub/theirs.txt:r", dir + "/Bücher.txt:rw:1"});
    const Row write{server.adminUser, server.ServerPath(dir + "/write.txt"), " W ", 0};
    const Row inner{server.adminUser, server.ServerPath(dir + "/sub/inner.txt"), "RW ", 2};
    const Row theirs{server.plainUser, server.ServerPath(dir + "/sub/theirs.txt"), "R  ", 0};
    const Row books{server.plainUser, server.ServerPath(dir + "/Bücher.txt"), "RW ", 1};

    auto form = Open(QString::fromStdString(server.NetworkPath(dir + "/sub")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Busy(); }));
    EXPECT_EQ(form->txtServer->text().toStdString(), "\\\\" + server.address);
    EXPECT_EQ(form->txtBasePath->text().toStdString(), server.ServerPath(dir + "/sub"));
    EXPECT_EQ(Rows(*form), (std::multiset<Row>{inner, theirs}));

    ListWith(*form, "\\\\" + server.address, server.ServerPath(dir), "");
    EXPECT_EQ(Rows(*form), (std::multiset<Row>{write, inner, theirs, books}));
    EXPECT_TRUE(boxTitles.empty());
    ListWith(*form, server.address, server.ServerPath(dir), server.plainUser);
    EXPECT_EQ(Rows(*form), (std::multiset<Row>{theirs, books}));
    QTest::keyClick(form->lvwFiles, Qt::Key_A, Qt::ControlModifier); // both selected
    test::RightClick(*form->lvwFiles, 1, "Close File...");
    EXPECT_EQ(boxTitles, std::vector<std::string>{"Close File"}); // asked once, and no failure
    EXPECT_TRUE(Eventually([&] { return !plain.CanRead(dir + "/sub/theirs.txt"); }));
    EXPECT_TRUE(Eventually([&] { return !plain.CanRead(dir + "/Bücher.txt"); }));
    ASSERT_EQ(audit.size(), 2u);
    for (const std::string& line : audit)
        EXPECT_NE(line.find(" closed open file "), std::string::npos) << line;
    EXPECT_NE(audit[0].find(", held by " + server.plainUser + ")"), std::string::npos) << audit[0];

    ListWith(*form, server.address, server.ServerPath(dir), "");
    form->lvwFiles->SortByHeader(2);
    test::RightClick(*form->lvwFiles, 0, "Refresh Every>2 Seconds");
    form->lvwFiles->SetSelectedItem(form->lvwFiles->ListItemAt(1)); // inner, first by path
    auto later = std::make_unique<HeldFiles>(server.plainUser, server.plainPassword,
                                             std::vector<std::string>{dir + "/later.txt:r"});
    const Row opened{server.plainUser, server.ServerPath(dir + "/later.txt"), "R  ", 0};
    ASSERT_TRUE(QTest::qWaitFor([&] { return Rows(*form).contains(opened); }, 15000));
    const ListView& list = *form->lvwFiles;
    EXPECT_TRUE(list.IsMarked(list.ListItemAt(1))); // later.txt, first by path
    later.reset();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return Rows(*form) == std::multiset<Row>{write, inner};
        },
        15000));
    EXPECT_EQ(list.SelectedItem().SubItem(1).toStdString(), std::get<1>(inner));
}

TEST_F(WindowE2eTest, AFileDroppedFromAnSmbMountIsResolvedByTheServer) {
    SignInAs(server.adminUser, server.adminPassword);
    const std::string dir = server.MakeFolder("gui-drop");
    MountTablePlatform mounted(
        {{"/dev/sda1", "/", "ext4"},
         {"//" + server.address + "/" + server.share, "/mnt/quarnel share", "cifs"}});
    auto form = Open({}, {}, &mounted);

    QMimeData files;
    files.setUrls(
        {QUrl::fromLocalFile(QString::fromStdString("/mnt/quarnel share/" + dir + "/Bücher.txt")),
         QUrl::fromLocalFile("/tmp")});
    EXPECT_TRUE(test::DropOn(form->txtBasePath, &files));
    EXPECT_TRUE(boxTitles.empty());
    EXPECT_EQ(form->txtServer->text().toStdString(), "\\\\" + server.address);
    EXPECT_EQ(form->txtBasePath->text().toStdString(), server.ServerPath(dir + "/Bücher.txt"));
    EXPECT_TRUE(form->cmdShares->isEnabled());
}

TEST_F(WindowE2eTest, PickedShareGivesTheBasePathAndTheListingStaysUnderIt) {
    SignInAs(server.adminUser, server.adminPassword);
    const std::string dir = server.MakeFolder("gui-picked");
    HeldFiles held(server.adminUser, server.adminPassword, {dir + "/held.txt:rw:1"});
    auto form = Open();
    form->txtServer->setText(QString::fromStdString(server.address));

    ASSERT_TRUE(test::WhileModal<frmShares>(form->cmdShares, [&](frmShares& picker) {
        ListView& list = *picker.lvwShares;
        for (int i = 1; i <= list.ListItemCount(); ++i)
            if (list.ListItemAt(i).Text().toStdString() == server.share)
                list.SetSelectedItem(list.ListItemAt(i));
        QTest::keyClick(&list, Qt::Key_Return);
    }));
    EXPECT_EQ(form->txtBasePath->text().toStdString(), server.SharePath());
    ListWith(*form, server.address, server.SharePath(), "");
    EXPECT_EQ(Rows(*form).count({server.adminUser, server.ServerPath(dir + "/held.txt"), "RW ", 1}),
              1u);
}

} // namespace
} // namespace quarnel::e2e
