// Tests of folders, atomic replacement and text list files.
#include "TestEnv.h"
#include "Exception.h"
#include "atomicfile.h"
#include "folders.h"
#include "textlist.h"

#include <QFileInfo>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace zuvi::os;

using Folders = HomeTest;

TEST_F(Folders, DataAndAccountFolders)
{
    EXPECT_EQ(dataFolder(), root + "/data/zuvi/");
    EXPECT_EQ(accountFolder("13800138000"), root + "/data/zuvi/13800138000/");
    EXPECT_EQ(accountFolder(""), dataFolder());

    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(dataFolder(), root + "/.local/share/zuvi/");
    setenv("XDG_DATA_HOME", "relative/path", 1); // not absolute: ignored
    EXPECT_EQ(dataFolder(), root + "/.local/share/zuvi/");
}

TEST_F(Folders, AccountNamesNeverLeaveTheDataFolder)
{
    const QString data = dataFolder();
    for (const QString name : {"..", ".", "../x", "a/b", "a\\b", "50%"}) {
        const QString folder = accountFolder(name);
        EXPECT_TRUE(folder.startsWith(data)) << folder.toStdString();
        const QString inner = folder.mid(data.size());
        EXPECT_EQ(inner.count('/'), 1) << inner.toStdString(); // only the trailing one
        EXPECT_NE(inner, "../");
        EXPECT_NE(inner, "./");
    }
    EXPECT_NE(accountFolder("a/b"), accountFolder("a%2Fb")); // escaping stays one-to-one
    EXPECT_EQ(accountFolder("a.b"), data + "a.b/");
}

TEST_F(Folders, EnsureDirCreatesOneLevelOnly)
{
    EXPECT_FALSE(ensureDir(accountFolder("alice"))); // data folder missing: not created
    EXPECT_FALSE(dirExists(dataFolder()));
    EXPECT_TRUE(ensureDir(dataFolder()));
    EXPECT_TRUE(ensureDir(dataFolder())); // already there
    EXPECT_TRUE(ensureDir(accountFolder("alice")));
    EXPECT_TRUE(dirExists(accountFolder("alice")));
    writeRaw(dataFolder() + "file", "x");
    EXPECT_FALSE(ensureDir(dataFolder() + "file")); // a file in the way

    // A fresh account without the XDG data home: the data folder still comes into being.
    setenv("XDG_DATA_HOME", qPrintable(root + "/fresh/share"), 1);
    EXPECT_FALSE(ensureDir(accountFolder("alice")));
    EXPECT_TRUE(ensureDir(dataFolder()));
    EXPECT_TRUE(dirExists(root + "/fresh/share/zuvi"));
}

TEST_F(Folders, ProgramFolderHoldsTheExecutable)
{
    const QString folder = programFolder();
    EXPECT_TRUE(folder.endsWith('/'));
    EXPECT_TRUE(programPath().startsWith(folder));
    EXPECT_TRUE(QFileInfo(programPath()).isExecutable());
    EXPECT_EQ(toPosixPath("C:\\a\\pic\\t1.bmp"), "C:/a/pic/t1.bmp");
}

using AtomicFile = HomeTest;

TEST_F(AtomicFile, ReplacesContentAndKeepsMode)
{
    const QString path = root + "/f";
    writeFileAtomic(path, "one");
    EXPECT_EQ(readAll(path), "one");
    chmod(qPrintable(path), 0640);
    writeFileAtomic(path, "two");
    EXPECT_EQ(readAll(path), "two");
    struct stat st;
    ASSERT_EQ(stat(qPrintable(path), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    writeFileAtomic(path, "three", 0600, true);
    ASSERT_EQ(stat(qPrintable(path), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QDir(root).entryList(QDir::Files | QDir::Hidden).size(), 1); // no temporary left
}

TEST_F(AtomicFile, FollowsSymbolicLinks)
{
    writeRaw(root + "/real", "old");
    ASSERT_TRUE(QFile::link(root + "/real", root + "/link"));
    writeFileAtomic(root + "/link", "new");
    EXPECT_TRUE(QFileInfo(root + "/link").isSymLink());
    EXPECT_EQ(readAll(root + "/real"), "new");
}

TEST_F(AtomicFile, FailedWritesThrowAndLeaveTheOldFile)
{
    // Missing folder, and a directory where the file should be.
    EXPECT_THROW(writeFileAtomic(root + "/missing/f", "x"), zuvi::Exception);
    ASSERT_TRUE(QDir().mkdir(root + "/dir"));
    try {
        writeFileAtomic(root + "/dir", "x");
        FAIL() << "no exception";
    } catch (const zuvi::Exception& e) {
        EXPECT_TRUE(e.message().contains(root + "/dir"));
        EXPECT_TRUE(e.message().startsWith(QString::fromUtf8("无法写入文件")));
    }
    EXPECT_TRUE(QFileInfo(root + "/dir").isDir());

    // A full disk: the file-size limit makes the write of the new content fail half way.
    const QString path = root + "/list";
    writeRaw(path, "old content");
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(writeFileAtomic(path, QByteArray(100000, 'n')), zuvi::Exception);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    EXPECT_EQ(readAll(path), "old content");
    EXPECT_EQ(QDir(root).entryList(QDir::Files | QDir::Hidden), QStringList{"list"});
}

using TextListFile = HomeTest;

TEST_F(TextListFile, DecodesMarksAndLineBreaks)
{
    struct Case {
        QByteArray bytes;
        QStringList lines;
        TextEncoding encoding;
    };
    const QString zhang = QString::fromUtf8("张三=13800138000");
    const Case cases[] = {
        {"", {}, TextEncoding::Ansi},
        {"\r\n", {""}, TextEncoding::Ansi},
        {"a\r\nb\r\n", {"a", "b"}, TextEncoding::Ansi},
        {"a\nb", {"a", "b"}, TextEncoding::Ansi}, // LF only, last line without a break
        {"a\r\n\r\nb\r", {"a", "", "b"}, TextEncoding::Ansi}, // empty line kept, lone CR breaks
        {"\xD5\xC5\xC8\xFD=13800138000\r\n", {zhang}, TextEncoding::Ansi},
        {"\xEF\xBB\xBF", {}, TextEncoding::Utf8},
        {"\xEF\xBB\xBF\xE5\xBC\xA0\xE4\xB8\x89=13800138000\r\nx", {zhang, "x"}, TextEncoding::Utf8},
        {QByteArray("\xFF\xFE\x20\x5F\x09\x4E=\x00\x31\x00\r\x00\n\x00", 14),
            {QString::fromUtf8("张三=1")}, TextEncoding::Utf16LE},
        {QByteArray("\xFE\xFF\x5F\x20\x4E\x09\x00\n", 8), {QString::fromUtf8("张三")}, TextEncoding::Utf16BE},
    };
    for (const Case& c : cases) {
        const TextList list = TextList::decode(c.bytes);
        EXPECT_EQ(list.lines, c.lines) << c.bytes.toHex().toStdString();
        EXPECT_EQ(list.encoding, c.encoding) << c.bytes.toHex().toStdString();
    }
}

TEST_F(TextListFile, WritesBackInTheEncodingItCameFrom)
{
    const QString zhang = QString::fromUtf8("张三");
    struct Case {
        TextEncoding encoding;
        QByteArray bytes;
    };
    const Case cases[] = {
        {TextEncoding::Ansi, "\xD5\xC5\xC8\xFD\r\nb\r\n"},
        {TextEncoding::Utf8, "\xEF\xBB\xBF\xE5\xBC\xA0\xE4\xB8\x89\r\nb\r\n"},
        {TextEncoding::Utf16LE, QByteArray("\xFF\xFE\x20\x5F\x09\x4E\r\x00\n\x00"
                                           "b\x00\r\x00\n\x00",
                                    16)},
        {TextEncoding::Utf16BE, QByteArray("\xFE\xFF\x5F\x20\x4E\x09\x00\r\x00\n\x00"
                                           "b\x00\r\x00\n",
                                    16)},
    };
    for (const Case& c : cases) {
        const QString path = root + "/list";
        writeRaw(path, c.bytes);
        TextList list;
        ASSERT_TRUE(list.load(path));
        EXPECT_EQ(list.lines, (QStringList{zhang, "b"}));
        list.lines.append("c");
        list.save(path);
        TextList again;
        ASSERT_TRUE(again.load(path));
        EXPECT_EQ(again.encoding, c.encoding);
        again.lines.removeLast();
        EXPECT_EQ(again.encode(), c.bytes);
    }
    TextList fresh;
    fresh.lines = {QString::fromUtf8("a😀")};
    EXPECT_EQ(fresh.encode(), "a?\r\n"); // a new list is ANSI; unmappable text becomes "?"
    EXPECT_EQ(TextList().encode(), "");
}

TEST_F(TextListFile, UnreadableFilesLeaveTheListAlone)
{
    TextList list;
    list.lines = {"keep"};
    list.encoding = TextEncoding::Utf8;
    EXPECT_FALSE(list.load(root + "/missing"));
    EXPECT_FALSE(list.load(root)); // a folder
    EXPECT_EQ(list.lines, QStringList{"keep"});
    EXPECT_EQ(list.encoding, TextEncoding::Utf8);
    EXPECT_THROW(list.save(root + "/missing/list"), zuvi::Exception);
}
