// Tests of the per-user store and the autostart entry.
#include "TestEnv.h"
#include "folders.h"
#include "userstore.h"

#include <QProcess>
#include <QStandardPaths>
#include <sys/stat.h>

using namespace zuvi::os;

namespace {
unsigned modeOf(const QString& path)
{
    struct stat st;
    return stat(qPrintable(path), &st) == 0 ? st.st_mode & 07777 : 0xFFFF;
}
} // namespace

using Store = HomeTest;

TEST_F(Store, KeysAreCreatedOnlyWhenAsked)
{
    Registry reg;
    EXPECT_FALSE(reg.openKey(kProgramKey, false));
    EXPECT_FALSE(reg.isOpen());
    EXPECT_FALSE(reg.valueExists("usr"));
    EXPECT_EQ(reg.readString("usr"), "");
    EXPECT_FALSE(QFile::exists(Registry::storePath()));

    ASSERT_TRUE(reg.openKey(kProgramKey, true));
    EXPECT_EQ(Registry::storePath(), root + "/config/zuvi/store.json");
    EXPECT_EQ(modeOf(Registry::storePath()), 0600u);
    reg.closeKey();
    EXPECT_TRUE(reg.openKey("software\\ZUVI\\", false)); // same key, other spelling
}

TEST_F(Store, ValuesReadWriteDelete)
{
    const QString password = QString::fromUtf8("p\"w=\n密码");
    {
        Registry reg;
        ASSERT_TRUE(reg.openKey(kProgramKey, true));
        reg.writeString("usr", "13800138000");
        reg.writeString("13800138000", password);
        reg.writeString("USR", "13900139000"); // value names ignore letter case
    }
    Registry reg;
    ASSERT_TRUE(reg.openKey(kProgramKey, false));
    EXPECT_EQ(reg.readString("usr"), "13900139000");
    EXPECT_EQ(reg.readString("13800138000"), password);
    EXPECT_FALSE(reg.valueExists("13700137000"));
    EXPECT_TRUE(reg.deleteValue("Usr"));
    EXPECT_FALSE(reg.valueExists("usr"));
    EXPECT_FALSE(reg.deleteValue("usr"));
    EXPECT_TRUE(reg.valueExists("13800138000"));

    Registry other; // keys keep their own values
    ASSERT_TRUE(other.openKey("\\Software\\other", true));
    EXPECT_FALSE(other.valueExists("13800138000"));
}

TEST_F(Store, StoreStaysPrivate)
{
    Registry reg;
    ASSERT_TRUE(reg.openKey(kProgramKey, true));
    reg.writeString("usr", "a");
    EXPECT_EQ(modeOf(Registry::storePath()), 0600u);
    EXPECT_EQ(modeOf(root + "/config/zuvi"), 0700u);
    chmod(qPrintable(Registry::storePath()), 0644);
    EXPECT_EQ(reg.readString("usr"), "a"); // any access narrows the mode again
    EXPECT_EQ(modeOf(Registry::storePath()), 0600u);
    chmod(qPrintable(Registry::storePath()), 0666);
    reg.writeString("usr", "b");
    EXPECT_EQ(modeOf(Registry::storePath()), 0600u);
}

TEST_F(Store, RunValueIsTheAutostartEntry)
{
    const QString entry = root + "/config/autostart/zuvi.desktop";
    Registry reg;
    ASSERT_TRUE(reg.openKey(kRunKey, true));
    EXPECT_FALSE(reg.valueExists("zuvi"));
    EXPECT_FALSE(reg.deleteValue("zuvi"));

    reg.writeString("zuvi", programPath());
    EXPECT_TRUE(QFile::exists(entry));
    EXPECT_TRUE(reg.valueExists("zuvi"));
    EXPECT_EQ(reg.readString("zuvi"), programPath());
    const QByteArray text = readAll(entry);
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nExec=" + programPath().toUtf8() + "\n"));
    // Named and drawn as the launcher is, and valid for the desktop.
    EXPECT_TRUE(text.contains("\nName=Zuvi\nName[zh_CN]=" + QStringLiteral("Zuvi网络电话").toUtf8() + "\nIcon=zuvi\n"));
    if (!QStandardPaths::findExecutable("desktop-file-validate").isEmpty()) {
        EXPECT_EQ(QProcess::execute("desktop-file-validate", {entry}), 0);
    }

    // Paths that need quoting in an Exec line come back unchanged.
    for (const QString path : {"/opt/my apps/zuvi", "/opt/100%/zu\"vi", "/opt/a\\b/$x"}) {
        reg.writeString("zuvi", path);
        EXPECT_EQ(reg.readString("zuvi"), path);
    }
    EXPECT_TRUE(readAll(entry).contains("Exec=\"/opt/a\\\\\\\\b/\\\\$x\"\n"));

    EXPECT_TRUE(reg.deleteValue("zuvi"));
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_FALSE(reg.valueExists("zuvi"));
    EXPECT_FALSE(QFile::exists(Registry::storePath())); // the Run key lives outside the store
}
