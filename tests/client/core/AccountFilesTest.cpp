// Client core tests: the account's files in a private home.
#include "TempHome.h"

#include "client/core/AccountFiles.h"
#include "platform/os/folders.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace zuvi;
using client::AccountFiles;

namespace {

class AccountFilesTest : public ::testing::Test {
protected:
    test::TempHome home{"zuvi-core-test"};
};

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

TEST_F(AccountFilesTest, NamesAndFolders)
{
    const QString data = os::dataFolder();
    const AccountFiles bob("bob");
    EXPECT_EQ(bob.folder(), data + "bob/");
    EXPECT_EQ(bob.contacts(), data + "bob/contact");
    EXPECT_EQ(bob.callHistory(), data + "bob/call");
    EXPECT_EQ(bob.volumesFile(), data + "bob/zuvi.ini");
    EXPECT_EQ(bob.loginSwitchesFile(), data + "bob/login.ini");
    EXPECT_EQ(AccountFiles(QString()).contacts(), data + "contact"); // nobody logged in
    EXPECT_EQ(client::usersFile(), data + "users");
    EXPECT_EQ(client::bannerFile(), data + "ad.jpg");
    EXPECT_EQ(AccountFiles("../x").folder().count('/'), data.count('/') + 1); // stays below the data folder
}

TEST_F(AccountFilesTest, PrepareMakesTheFolderAndKeepsAFilesContent)
{
    ASSERT_TRUE(os::ensureDir(os::dataFolder()));
    const AccountFiles bob("bob");
    EXPECT_EQ(bob.prepare(bob.contacts()), bob.contacts());
    EXPECT_EQ(Read(bob.contacts()), "");
    QFile f(bob.callHistory());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x 5 秒\r\n");
    f.close();
    bob.prepare(bob.callHistory());
    EXPECT_EQ(Read(bob.callHistory()), "x 5 秒\r\n");
}

TEST_F(AccountFilesTest, SwitchesAndVolumesReadTheirDefaultsAndRoundTrip)
{
    ASSERT_TRUE(os::ensureDir(os::dataFolder()));
    const AccountFiles bob("bob");
    bob.makeFolder();
    const client::LoginSwitches s = bob.loginSwitches();
    EXPECT_TRUE(s.saveInformation && s.rememberPassword && s.autoLogin);
    EXPECT_EQ(bob.volumes().speaker, 10);
    EXPECT_EQ(bob.volumes().microphone, 10);

    bob.writeLoginSwitches({true, false, false});
    EXPECT_EQ(Read(bob.loginSwitchesFile()), "[switch1]\r\nlogin=1\r\n[switch2]\r\nlogin=0\r\n[switch3]\r\nlogin=0\r\n");
    bob.writeVolumes({3, 7});
    EXPECT_EQ(Read(bob.volumesFile()), "[vol1]\r\nzuvi=3\r\n[vol2]\r\nzuvi=7\r\n");
    EXPECT_FALSE(bob.loginSwitches().rememberPassword);
    EXPECT_EQ(bob.volumes().microphone, 7);
}

TEST(CallHistory, PlaceholderAloneMeansNoHistory)
{
    EXPECT_TRUE(client::showsNoHistory({client::kNoHistory}));
    EXPECT_FALSE(client::showsNoHistory({}));
    EXPECT_FALSE(client::showsNoHistory({"bob 5 秒 2026/01/02 03:04:05"}));
    EXPECT_FALSE(client::showsNoHistory({client::kNoHistory, client::kNoHistory}));
}
