// Tests of INI settings files.
#include "TestEnv.h"
#include "Exception.h"
#include "inifile.h"

using namespace zuvi::os;

using Ini = HomeTest;

TEST_F(Ini, MissingFileSectionOrKeyGivesTheDefault)
{
    IniFile missing(root + "/none.ini");
    EXPECT_EQ(missing.readInteger("vol1", "zuvi", 10), 10);
    EXPECT_TRUE(missing.readBool("switch1", "login", true));
    EXPECT_FALSE(missing.readBool("item1", "exit", false));
    EXPECT_EQ(missing.readString("a", "b", "def"), "def");

    writeRaw(root + "/z.ini", "[vol1]\r\nzuvi=3\r\n");
    IniFile ini(root + "/z.ini");
    EXPECT_EQ(ini.readInteger("vol2", "zuvi", 10), 10);
    EXPECT_EQ(ini.readInteger("vol1", "other", 10), 10);
    EXPECT_EQ(ini.readInteger("VOL1", "ZUVI", 10), 3); // names ignore letter case
}

TEST_F(Ini, ReadsIntegersLikeStrToIntDef)
{
    struct Case {
        const char* value;
        int expected;
    };
    const Case cases[] = {
        {"7", 7},
        {"  7  ", 7},
        {"-5", -5},
        {"+5", 5},
        {"0x1A", 26},
        {"0X1a", 26},
        {"$ff", 255},
        {"-$10", -16},
        {"0xFFFFFFFF", -1},
        {"2147483647", 2147483647},
        {"-2147483648", int(-2147483648LL)},
        {"2147483648", 99},
        {"0x100000000", 99},
        {"", 99},
        {"abc", 99},
        {"12abc", 99},
        {"1.5", 99},
        {"0x", 99},
        {"-", 99},
        {"\"4\"", 4},
    };
    for (const Case& c : cases) {
        writeRaw(root + "/n.ini", QByteArray("[s]\r\nk=") + c.value + "\r\n");
        EXPECT_EQ(IniFile(root + "/n.ini").readInteger("s", "k", 99), c.expected) << c.value;
    }
}

TEST_F(Ini, BooleansAreIntegersNotZero)
{
    struct Case {
        const char* value;
        bool fallback;
        bool expected;
    };
    const Case cases[] = {
        {"1", false, true},
        {"0", true, false},
        {"2", false, true},
        {"-1", false, true},
        {"yes", true, true},
        {"yes", false, false},
        {"", true, true},
        {"true", false, false},
    };
    for (const Case& c : cases) {
        writeRaw(root + "/b.ini", QByteArray("[switch1]\r\nlogin=") + c.value + "\r\n");
        EXPECT_EQ(IniFile(root + "/b.ini").readBool("switch1", "login", c.fallback), c.expected) << c.value;
    }
}

TEST_F(Ini, WritingOneKeyKeepsEverythingElse)
{
    const QString path = root + "/login.ini";
    writeRaw(path, "; comment\r\n[switch1]\r\nlogin=1\r\n\r\n[switch2]\r\nlogin=1\r\nother = x \r\n\r\n[switch3]\r\nlogin=1\r\n");
    IniFile ini(path);
    ini.writeBool("SWITCH2", "Login", false);
    ini.writeInteger("switch1", "count", 12);
    ini.writeString("new", "key", QString::fromUtf8("张三"));
    EXPECT_EQ(readAll(path), "; comment\r\n[switch1]\r\nlogin=1\r\ncount=12\r\n\r\n[switch2]\r\nLogin=0\r\nother = x \r\n\r\n"
                             "[switch3]\r\nlogin=1\r\n[new]\r\nkey=\xD5\xC5\xC8\xFD\r\n");
    EXPECT_FALSE(ini.readBool("switch2", "login", true));
    EXPECT_EQ(ini.readString("switch2", "other", ""), "x");
    EXPECT_EQ(ini.readString("new", "key", ""), QString::fromUtf8("张三"));
}

TEST_F(Ini, UntouchedLinesKeepTheirBytes)
{
    // A comment saved by a UTF-8 editor is not valid GBK; rewriting another key must not garble it.
    const QString path = root + "/exit.ini";
    writeRaw(path, "; \xE5\xBC\xA0\xE4\xB8\x89 \xFF\n[item1]\nexit=0\n");
    IniFile(path).writeBool("item1", "exit", true);
    EXPECT_EQ(readAll(path), "; \xE5\xBC\xA0\xE4\xB8\x89 \xFF\r\n[item1]\r\nexit=1\r\n");
}

TEST_F(Ini, CreatesTheFileButNotItsFolder)
{
    IniFile set(root + "/set.ini");
    set.writeBool("switch2", "set", true);
    set.writeBool("switch3", "set", false);
    EXPECT_EQ(readAll(root + "/set.ini"), "[switch2]\r\nset=1\r\n[switch3]\r\nset=0\r\n");
    EXPECT_THROW(IniFile(root + "/missing/set.ini").writeBool("switch2", "set", true), zuvi::Exception);
    EXPECT_FALSE(QFile::exists(root + "/missing"));
}

TEST_F(Ini, KeepsAMarkedFileInItsEncoding)
{
    const QString path = root + "/u.ini";
    writeRaw(path, QByteArray("\xFF\xFE[\x00s\x00]\x00\r\x00\n\x00k\x00=\x00"
                              "5\x00\r\x00\n\x00",
                       22));
    IniFile ini(path);
    EXPECT_EQ(ini.readInteger("s", "k", 0), 5);
    ini.writeInteger("s", "k", 6);
    EXPECT_EQ(readAll(path), QByteArray("\xFF\xFE[\x00s\x00]\x00\r\x00\n\x00k\x00=\x00"
                                        "6\x00\r\x00\n\x00",
                                 22));
}

TEST_F(Ini, ValueLineBreaksCannotAddKeys)
{
    IniFile ini(root + "/x.ini");
    ini.writeString("s", "k", "a\r\n[evil]\r\nk=1");
    EXPECT_EQ(ini.readString("s", "k", ""), "a");
    EXPECT_FALSE(ini.sectionExists("evil"));
}
