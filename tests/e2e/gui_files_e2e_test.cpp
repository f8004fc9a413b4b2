// The real main window over the system's platform against the private Samba
// server: what it lists when the user presses Enter, and when it is started
// with a path.
#include "E2eSupport.h"
#include "MsgBox.h"
#include "ResponsivePlatform.h"
#include "frmQuarnel.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <set>
#include <tuple>

namespace quarnel::e2e {
namespace {

using Row = std::tuple<std::string, std::string, std::string, int>; // user, path, letters, locks

class WindowE2eTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetMsgBoxHandler([this](const QString&, MsgBoxButtons, MsgBoxIcon, const QString& title) {
            boxTitles.push_back(title.toStdString());
            return MsgBoxResult::OK;
        });
    }
    void TearDown() override { SetMsgBoxHandler({}); }

    // The Samba library reads the credentials once, on its first call in the
    // process, as Samba's tools do; ctest runs every test in its own process.
    static void LogOnAs(const std::string& user, const std::string& password) {
        static std::string first;
        if (first.empty())
            first = user + '\n' + password;
        ASSERT_EQ(first, user + '\n' + password)
            << "each of these tests needs a process of its own: run them through ctest";
        qputenv("USER", QByteArray::fromStdString(user));
        qputenv("PASSWD", QByteArray::fromStdString(password));
        qunsetenv("KRB5CCNAME");
    }

    std::unique_ptr<frmQuarnel> Open(const QString& commandLine = {}) {
        responsive.SetYieldHook([] { QCoreApplication::processEvents(); });
        api = std::make_unique<modApi>(responsive);
        auto form = std::make_unique<frmQuarnel>(*api, commandLine);
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
    ResponsivePlatform responsive{platform::SystemPlatform()}; // as the program runs it
    std::unique_ptr<modApi> api;
    std::vector<std::string> boxTitles;
};

TEST_F(WindowE2eTest, EnterListsExactlyTheFilesHeldOpen) {
    LogOnAs(server.adminUser, server.adminPassword);
    const std::string dir = server.MakeFolder("gui-exact");
    HeldFiles admin(server.adminUser, server.adminPassword,
                    {dir + "/read.txt:r", dir + "/readwrite.txt:rw:2", dir + "/write.txt:w"});
    HeldFiles plain(server.plainUser, server.plainPassword, {dir + "/Bücher.txt:rw:1"});
    auto form = Open();

    ListWith(*form, server.address, server.ServerPath(dir), "");
    EXPECT_EQ(Rows(*form),
              (std::multiset<Row>{
                  {server.adminUser, server.ServerPath(dir + "/read.txt"), "R  ", 0},
                  {server.adminUser, server.ServerPath(dir + "/readwrite.txt"), "RW ", 2},
                  {server.adminUser, server.ServerPath(dir + "/write.txt"), " W ", 0},
                  {server.plainUser, server.ServerPath(dir + "/Bücher.txt"), "RW ", 1},
              }));
    EXPECT_TRUE(form->cmdMessage->isEnabled());
    EXPECT_TRUE(boxTitles.empty());
}

TEST_F(WindowE2eTest, NarrowsByUserAndByBasePath) {
    LogOnAs(server.adminUser, server.adminPassword);
    const std::string dir = server.MakeFolder("gui-narrow");
    server.MakeFolder(dir + "/sub");
    HeldFiles admin(server.adminUser, server.adminPassword,
                    {dir + "/top.txt:r", dir + "/sub/inner.txt:rw"});
    HeldFiles plain(server.plainUser, server.plainPassword, {dir + "/sub/theirs.txt:r"});
    auto form = Open();

    ListWith(*form, "\\\\" + server.address, server.ServerPath(dir), server.plainUser);
    EXPECT_EQ(Rows(*form),
              (std::multiset<Row>{
                  {server.plainUser, server.ServerPath(dir + "/sub/theirs.txt"), "R  ", 0}}));

    ListWith(*form, server.address, server.ServerPath(dir + "/sub"), "");
    EXPECT_EQ(Rows(*form),
              (std::multiset<Row>{
                  {server.adminUser, server.ServerPath(dir + "/sub/inner.txt"), "RW ", 0},
                  {server.plainUser, server.ServerPath(dir + "/sub/theirs.txt"), "R  ", 0}}));
}

// Each refusal leaves the list empty and says nothing.
class WindowRefusalE2eTest : public WindowE2eTest {
  protected:
    void ExpectEmptyListing(const std::string& address) {
        const std::string dir = server.MakeFolder("gui-refused");
        HeldFiles held(server.plainUser, server.plainPassword, {dir + "/a.txt:r"});
        auto form = Open();
        ListWith(*form, address, "", "");
        EXPECT_EQ(form->lvwFiles->ListItemCount(), 0);
        EXPECT_TRUE(boxTitles.empty());
        EXPECT_EQ(form->cursor().shape(), Qt::ArrowCursor);
    }
};

TEST_F(WindowRefusalE2eTest, NonAdministrator) {
    LogOnAs(server.plainUser, server.plainPassword);
    ExpectEmptyListing(server.address);
}

TEST_F(WindowRefusalE2eTest, WrongPassword) {
    LogOnAs(server.adminUser, "not-the-password");
    ExpectEmptyListing(server.address);
}

TEST_F(WindowRefusalE2eTest, ClosedPort) {
    LogOnAs(server.adminUser, server.adminPassword);
    ExpectEmptyListing("127.0.0.2"); // nothing listens there
}

TEST_F(WindowE2eTest, StartedWithANetworkPathListsTheFilesUnderIt) {
    LogOnAs(server.adminUser, server.adminPassword);
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
    LogOnAs(server.adminUser, server.adminPassword);
    auto unknown = Open(QString::fromStdString("\\\\" + server.address + "\\nosuch\\a.txt"));
    auto local = Open(QStringLiteral("/tmp"));
    EXPECT_EQ(boxTitles, (std::vector<std::string>{"Problem finding share", "No network drive"}));
    EXPECT_TRUE(unknown->txtServer->text().isEmpty());
    EXPECT_TRUE(local->txtBasePath->text().isEmpty());
    EXPECT_EQ(unknown->lvwFiles->ListItemCount(), 0);
}

} // namespace
} // namespace quarnel::e2e
