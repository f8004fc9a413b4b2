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
    }
    void TearDown() override { SetMsgBoxHandler({}); }

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
        auto form = std::make_unique<frmQuarnel>(networks.back()->Api(), commandLine);
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
};

// A server that cannot be reached leaves the list empty, says nothing and
// asks for no sign-in.
TEST_F(WindowE2eTest, ClosedPortListsNothingAndAsksNothing) {
    SignInAs(server.adminUser, server.adminPassword);
    int asked = 0;
    auto form = Open({}, [&](const QString&, const QString&, bool) {
        ++asked;
        return std::optional<platform::Credentials>();
    });
    ListWith(*form, "127.0.0.2", "", ""); // nothing listens there
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 0);
    EXPECT_TRUE(boxTitles.empty());
    EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(asked, 0);
}

// With nothing in the environment, a person signs in through the dialog
// when the server refuses, once per refused listing; a refusal after it
// leaves the list empty and says nothing, and what was accepted holds for
// the server. Each step answers the one dialog it brings.
TEST_F(WindowE2eTest, SignsInThroughTheDialogWhenRefused) {
    const std::string dir = server.MakeFolder("gui-signin");
    HeldFiles held(server.plainUser, server.plainPassword, {dir + "/held.txt:rw"});
    using Answer = std::optional<std::pair<std::string, std::string>>; // nullopt: Cancel
    struct Step {
        const char* what;
        std::vector<Answer> answers;
        bool listed;
    };
    const Step steps[] = {
        {"cancelled", {std::nullopt}, false},
        {"wrong password", {Answer({server.adminUser, "not-the-password"})}, false},
        {"not an administrator", {Answer({server.plainUser, server.plainPassword})}, false},
        {"administrator", {Answer({"QUARNEL\\" + server.adminUser, server.adminPassword})}, true},
        {"signed in already", {}, true},
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
        QTest::keyClicks(dialog->txtUser, QString::fromStdString(answer->first));
        QTest::keyClicks(dialog->txtPassword, QString::fromStdString(answer->second));
        QTest::keyClick(dialog->txtPassword, Qt::Key_Return);
    });
    answerer.start(20);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        pending.assign(step.answers.begin(), step.answers.end());
        titles.clear();
        ListWith(*form, server.address, server.ServerPath(dir), "");
        EXPECT_EQ(titles, std::vector<std::string>(step.answers.size(),
                                                   "Sign in to \\\\" + server.address));
        EXPECT_EQ(Rows(*form).size(), step.listed ? 1u : 0u);
        EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
    }
    EXPECT_TRUE(boxTitles.empty());
}

TEST_F(WindowE2eTest, StartedWithANetworkPathListsTheFilesUnderIt) {
    SignInAs(server.adminUser, server.adminPassword);
    const std::string dir = server.MakeFolder("gui-start");
    server.MakeFolder(dir + "/sub");
    HeldFiles held(server.adminUser, server.adminPassword,
                   {dir + "/sub/file.txt:rw:1", dir + "/other.txt:r"});

    auto form = Open(QString::fromStdString(server.NetworkPath(dir + "/sub")));
    EXPECT_TRUE(boxTitles.empty());
    EXPECT_EQ(form->txtServer->text().toStdString(), "\\\\" + server.address);
    EXPECT_EQ(form->txtBasePath->text().toStdString(), server.ServerPath(dir + "/sub"));
    EXPECT_EQ(Rows(*form),
              (std::multiset<Row>{
                  {server.adminUser, server.ServerPath(dir + "/sub/file.txt"), "RW ", 1}}));
}

TEST_F(WindowE2eTest, StartedWithAnUnknownShareOrALocalPathTellsWhy) {
    SignInAs(server.adminUser, server.adminPassword);
    auto unknown = Open(QString::fromStdString("\\\\" + server.address + "\\nosuch\\a.txt"));
    auto local = Open(QStringLiteral("/tmp"));
    EXPECT_EQ(boxTitles, (std::vector<std::string>{"Problem finding share", "No network drive"}));
    EXPECT_TRUE(unknown->txtServer->text().isEmpty());
    EXPECT_TRUE(local->txtBasePath->text().isEmpty());
    EXPECT_EQ(unknown->lvwFiles->ListItemCount(), 0);
}

TEST_F(WindowE2eTest, CloseFileFromTheMenuClosesTheFileOnTheServer) {
    SignInAs(server.adminUser, server.adminPassword);
    const std::string dir = server.MakeFolder("gui-close");
    HeldFiles holder(server.plainUser, server.plainPassword, {dir + "/a.txt:r", dir + "/b.txt:r"});
    auto form = Open();
    ListWith(*form, server.address, server.ServerPath(dir), "");
    ASSERT_EQ(form->lvwFiles->ListItemCount(), 2);
    const int row = form->lvwFiles->ListItemAt(1).SubItem(1).endsWith("a.txt") ? 1 : 2;

    test::RightClick(*form->lvwFiles, row, "Close File...");
    EXPECT_EQ(boxTitles, std::vector<std::string>{"Close File"}); // asked, and no failure
    EXPECT_TRUE(Eventually([&] { return !holder.CanRead(dir + "/a.txt"); }));
    EXPECT_TRUE(holder.CanRead(dir + "/b.txt"));
    EXPECT_TRUE(Eventually([&] {
        QTest::keyClick(form->txtServer, Qt::Key_F5);
        return form->lvwFiles->ListItemCount() == 1;
    }));
    EXPECT_TRUE(form->lvwFiles->ListItemAt(1).SubItem(1).endsWith("b.txt"));
}

// Drags the row of `path` onto `box`, as the user drags it out of the list.
void DragRowOnto(frmQuarnel& form, const std::string& path, QLineEdit* box) {
    for (int i = 1; i <= form.lvwFiles->ListItemCount(); ++i)
        if (form.lvwFiles->ListItemAt(i).SubItem(1).toStdString() == path)
            form.lvwFiles->SetSelectedItem(form.lvwFiles->ListItemAt(i));
    Qt::DropActions allowed;
    const std::unique_ptr<ListDragData> row = form.lvwFiles->StartDragData(allowed);
    ASSERT_NE(row, nullptr) << "no row of " << path;
    EXPECT_TRUE(test::DropOn(box, row.get()));
}

// Enter lists exactly the files held open, and narrowing by user and by base
// path works through the rows dragged onto those inputs.
TEST_F(WindowE2eTest, EnterListsTheFilesHeldOpenAndDraggedRowsNarrowTheListing) {
    SignInAs(server.adminUser, server.adminPassword);
    const std::string dir = server.MakeFolder("gui-drag");
    server.MakeFolder(dir + "/sub");
    HeldFiles admin(server.adminUser, server.adminPassword,
                    {dir + "/top.txt:r", dir + "/write.txt:w", dir + "/sub/inner.txt:rw:2"});
    HeldFiles plain(server.plainUser, server.plainPassword,
                    {dir + "/sub/theirs.txt:r", dir + "/Bücher.txt:rw:1"});
    const Row top{server.adminUser, server.ServerPath(dir + "/top.txt"), "R  ", 0};
    const Row write{server.adminUser, server.ServerPath(dir + "/write.txt"), " W ", 0};
    const Row inner{server.adminUser, server.ServerPath(dir + "/sub/inner.txt"), "RW ", 2};
    const Row theirs{server.plainUser, server.ServerPath(dir + "/sub/theirs.txt"), "R  ", 0};
    const Row books{server.plainUser, server.ServerPath(dir + "/Bücher.txt"), "RW ", 1};
    auto form = Open();
    ListWith(*form, "\\\\" + server.address, server.ServerPath(dir), "");
    EXPECT_EQ(Rows(*form), (std::multiset<Row>{top, write, inner, theirs, books}));
    EXPECT_TRUE(form->cmdMessage->isEnabled());

    DragRowOnto(*form, std::get<1>(theirs), form->txtUser);
    EXPECT_EQ(form->txtUser->text().toStdString(), server.plainUser);
    QTest::keyClick(form->txtUser, Qt::Key_Return);
    EXPECT_EQ(Rows(*form), (std::multiset<Row>{theirs, books}));

    ListWith(*form, server.address, server.ServerPath(dir), "");
    DragRowOnto(*form, std::get<1>(inner), form->txtBasePath);
    EXPECT_EQ(form->txtBasePath->text().toStdString(), std::get<1>(inner));
    QTest::keyClick(form->txtBasePath, Qt::Key_Return);
    EXPECT_EQ(Rows(*form), (std::multiset<Row>{inner}));
    EXPECT_TRUE(boxTitles.empty());
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

    QMimeData local;
    local.setUrls({QUrl::fromLocalFile("/tmp")});
    EXPECT_TRUE(test::DropOn(form->txtBasePath, &local));
    EXPECT_EQ(boxTitles, std::vector<std::string>{"No network drive"});
    EXPECT_EQ(form->txtBasePath->text().toStdString(), server.ServerPath(dir + "/Bücher.txt"));
}

TEST_F(WindowE2eTest, PickedShareGivesTheBasePathAndTheListingStaysUnderIt) {
    SignInAs(server.adminUser, server.adminPassword);
    const std::string dir = server.MakeFolder("gui-picked");
    HeldFiles held(server.adminUser, server.adminPassword, {dir + "/held.txt:rw:1"});
    auto form = Open();
    form->txtServer->setText(QString::fromStdString(server.address));

    ASSERT_TRUE(test::WhileModal<frmShares>(form->cmdShares, [&](frmShares& picker) {
        ListView& list = *picker.lvwShares;
        std::set<std::string> names;
        ListItem share;
        for (int i = 1; i <= list.ListItemCount(); ++i) {
            names.insert(list.ListItemAt(i).Text().toStdString());
            if (list.ListItemAt(i).Text().toStdString() == server.share)
                share = list.ListItemAt(i);
        }
        EXPECT_EQ(names, (std::set<std::string>{server.share, "IPC$"}));
        list.SetSelectedItem(share);
        QTest::keyClick(&list, Qt::Key_Return);
    }));
    EXPECT_EQ(form->txtBasePath->text().toStdString(), server.SharePath());
    EXPECT_EQ(form->lvwFiles->ListItemCount(), 0); // picking lists nothing

    ListWith(*form, server.address, server.SharePath(), "");
    const std::multiset<Row> rows = Rows(*form);
    EXPECT_EQ(rows.count({server.adminUser, server.ServerPath(dir + "/held.txt"), "RW ", 1}), 1u);
    for (const Row& row : rows)
        EXPECT_TRUE(std::get<1>(row).starts_with(server.SharePath() + "\\")) << std::get<1>(row);
}

} // namespace
} // namespace quarnel::e2e
