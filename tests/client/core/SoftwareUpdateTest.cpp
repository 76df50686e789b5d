// Software update core: version check, installer download results, start and removal of the installer.
#include "../LoginHarness.h"

#include "client/core/SoftwareUpdate.h"
#include "platform/net/HttpClient.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

using namespace zuvi::core;
using zuvi::net::HttpClient;
using zuvi::test::ServiceSim;
using zuvi::test::TempHome;
using zuvi::test::waitFor;

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

class SoftwareUpdateTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.running()); }

    QString installerUrl(const QString& fault = {}) const
    {
        return "http://" + sim.host() + "/_sim/installer" + (fault.isEmpty() ? QString() : "?fault=" + fault);
    }
    void serve(const QByteArray& bytes) const
    {
        HttpClient http(HttpClient::Kind::Plain);
        http.post("http://" + sim.host() + "/_sim/installer", bytes, "application/octet-stream");
    }

    TempHome home{"zuvi-update-test", TempHome::LogDialogs};
    ServiceSim sim{home.path()};
};

TEST_F(SoftwareUpdateTest, VersionCheckTakesOnlyAStringU)
{
    struct Case {
        const char* name;
        QString fault; // softversion fault of the simulator
        QString u;
        std::optional<QString> expected;
    };
    const QString url = QStringLiteral("http://dl.test/zuvi_setup.exe");
    const Case cases[] = {
        {"up to date", {}, {}, QString()},
        {"update offered", {}, url, url},
        {"not JSON", "notjson", url, std::nullopt},
        {"empty body", "empty", url, std::nullopt},
        {"HTTP 500", "http500", url, std::nullopt},
        {"no u", "noret", url, std::nullopt},
        {"connection closed", "close", url, std::nullopt},
    };
    HttpClient http(HttpClient::Kind::Plain);
    for (const Case& c : cases) {
        sim.control("/_sim/reset");
        sim.control("/_sim/softversion?u=" + c.u);
        if (!c.fault.isEmpty())
            sim.fault("softversion", c.fault);
        EXPECT_EQ(CheckSoftwareVersion(http), c.expected) << c.name;
        const QList<zuvi::test::SimRequest> requests = sim.requests();
        ASSERT_FALSE(requests.isEmpty()) << c.name;
        EXPECT_EQ(requests.last().query.toString(QUrl::FullyEncoded), "r=Pc/softversion&Flag=160000&Ver=5.1.0");
    }
    qputenv("ZUVI_API_HOST", "127.0.0.1:9");
    EXPECT_EQ(CheckSoftwareVersion(http), std::nullopt) << "no network";
}

TEST_F(SoftwareUpdateTest, DownloadResultsAndWhatTheyLeave)
{
    const QByteArray installer = "#!/bin/sh\necho installed\n" + QByteArray(4096, '#') + "\n";
    serve(installer);
    struct Case {
        const char* name;
        QString url;
        qint64 maxBytes;
        quint32 result;
    };
    const qint64 big = 1 << 20;
    const Case cases[] = {
        {"complete", installerUrl(), big, kDownloadOk},
        {"empty body", installerUrl("empty"), big, kDownloadFailure},
        {"HTTP 404", installerUrl("http404"), big, kDownloadFailure},
        {"HTTP 500", installerUrl("http500"), big, kDownloadFailure},
        {"cut short", installerUrl("partial"), big, kDownloadFailure},
        {"no server", "http://127.0.0.1:9/zuvi_setup.exe", big, kDownloadFailure},
        {"larger than the bound", installerUrl(), 1000, kOutOfMemory},
        {"local file", "file:///bin/sh", big, kUnknownProtocol},
        {"other scheme", "ftp://127.0.0.1:9/zuvi_setup.exe", big, kUnknownProtocol},
        {"no URL", "", big, kInvalidUrl},
    };
    const QString target = InstallerPath();
    for (const Case& c : cases) {
        writeFile(target, "stale");
        DownloadLimits limits = DownloadLimits::fromEnvironment();
        limits.maxBytes = c.maxBytes;
        EXPECT_EQ(DownloadInstaller(c.url, limits), c.result) << c.name;
        // Only a complete download replaces the file; nothing half-written stays beside it.
        EXPECT_EQ(readFile(target), c.result == kDownloadOk ? installer : QByteArray("stale")) << c.name;
        EXPECT_EQ(QDir(home.dataFolder()).entryList(QDir::Files), QStringList{"zuvi_tmp.exe"}) << c.name;
    }
    // A missing data folder is created.
    QDir(home.dataFolder()).removeRecursively();
    EXPECT_EQ(DownloadInstaller(installerUrl()), kDownloadOk);
    EXPECT_EQ(readFile(target), installer);
}

TEST(SoftwareUpdateTexts, DownloadErrorTextsOfBothWindows)
{
    struct Case {
        quint32 result;
        QString prompt;
        QString dialog;
    };
    const Case cases[] = {
        {kOutOfMemory, "内存不足，请检查内存", "Out of memory error"},
        {kDownloadFailure, "不能够检查服务器数据库，请检查服务器是否连接", "Cannot access server data"},
        {kUnknownProtocol, "未知错误,错误代码为：0x800c000d", "Unknown error"},
        {0x1, "未知错误,错误代码为：0x1", "Unknown error"},
        {0xABCDEF12, "未知错误,错误代码为：0xabcdef12", "Unknown error"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PromptDownloadErrorText(c.result), c.prompt);
        EXPECT_EQ(DialogDownloadErrorText(c.result), c.dialog);
    }
}

TEST_F(SoftwareUpdateTest, ScriptInstallerStillRunsAfterItsDeletion)
{
    const QString marker = home.path() + "/ran";
    const QString target = InstallerPath();
    writeFile(target, "#!/bin/sh\necho \"ran $*\" > '" + marker.toUtf8() + "'\n");
    const InstallerStart start = StartInstaller(target);
    ASSERT_TRUE(start.started);
    EXPECT_TRUE(start.program);
    EXPECT_TRUE(DeleteStartedInstaller(target, start));
    EXPECT_FALSE(QFile::exists(target));
    ASSERT_TRUE(waitFor([&] { return QFile::exists(marker); }, 5000)) << "the installer never ran";
    EXPECT_EQ(readFile(marker), "ran \n");
}

TEST_F(SoftwareUpdateTest, ProgramsRunAndOtherFilesGoToTheDesktopHandler)
{
    const QString target = InstallerPath();
    struct Case {
        const char* name;
        QByteArray bytes;
        bool program;
    };
    const Case cases[] = {
        {"ELF", readFile("/bin/true"), true},
        {"script", "#!/bin/sh\nexit 0\n", true},
        {"package", QByteArray("PK\x03\x04", 4) + QByteArray(64, '\0'), false},
        {"text", "echo without an interpreter line\n", false},
    };
    for (const Case& c : cases) {
        QFile::remove(home.path() + "/urls.log");
        writeFile(target, c.bytes);
        const InstallerStart start = StartInstaller(target);
        ASSERT_TRUE(start.started) << c.name;
        EXPECT_EQ(start.program, c.program) << c.name;
        EXPECT_EQ(home.lines("urls.log"), c.program ? QStringList() : QStringList{target}) << c.name;
        // A handler may open the file late: it stays until the next start removes it.
        EXPECT_EQ(DeleteStartedInstaller(target, start), c.program) << c.name;
        EXPECT_EQ(QFile::exists(target), !c.program) << c.name;
        RemoveLeftoverInstaller();
        EXPECT_FALSE(QFile::exists(target)) << c.name;
    }
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
