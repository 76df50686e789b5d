// Voice-test dialog driven through its form: countdown, switch to playback and its end, done / close / hide, files.
#include "DialogHarness.h"

#include "VoiceTestDialog.h"
#include "VoiceTestFiles.h"

#include "platform/os/inifile.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Layout.h"

#include <QDate>
#include <QTime>

using namespace zuvi::ui;
using namespace voicetest_test;

namespace {

const QString kNotice = QStringLiteral("！请您注意收听现在播放的声音");

QImage PictureOf(int n)
{
    TBitmap b;
    b.LoadFromFile(VoiceTestFramePath(n));
    return b.Image();
}

class VoiceTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        // Every sample 6000: q = 30, a recorder level of (30 + 1) / 3 = 10.
        alsa.setInput(std::vector<std::int16_t>(16000 * 30, 6000));
        TForm16::Clock = &TestClock;
        g_now = QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0));
        CreateForm(&Form16, nullptr);
        Form16->Show();
    }
    void TearDown() override
    {
        if (Form16)
            Form16->Free();
        DialogTest::TearDown();
    }

    TForm16* f() { return Form16; }
    // The clock at the start of the test plus s seconds; then the timer's tick.
    void Tick(TTimer* timer, const QDateTime& start, int s)
    {
        g_now = start.addSecs(s);
        ASSERT_TRUE(timer->Enabled());
        timer->OnTimer(timer);
    }
    void ExpectFrame(int n, int divNum, const std::string& where)
    {
        EXPECT_EQ(f()->ssSkinButton4->Skin()->Bitmap()->Image(), PictureOf(n)) << where;
        EXPECT_EQ(f()->ssSkinButton4->DivNum(), divNum) << where;
    }
    void ExpectIdle(const char* where)
    {
        EXPECT_EQ(f()->TestState(), 0) << where;
        EXPECT_FALSE(f()->Timer1->Enabled()) << where;
        EXPECT_FALSE(f()->Timer2->Enabled()) << where;
        EXPECT_TRUE(f()->ssSkinButton4->Enabled()) << where;
        EXPECT_EQ(f()->Label3->Caption(), QString()) << where;
    }
    // Starts a test and waits until the recorder's level has reached the meter.
    QDateTime StartRecording()
    {
        const QDateTime start = g_now;
        Click(f()->ssSkinButton4);
        EXPECT_EQ(f()->TestState(), 1);
        EXPECT_TRUE(ServeUntil([&] { return f()->ProgressBar1->Position() == 10; })) << "level on the meter";
        return start;
    }
    static std::uint32_t Le32(const QByteArray& b, int at) { return std::uint8_t(b[at]) | std::uint8_t(b[at + 1]) << 8 | std::uint8_t(b[at + 2]) << 16 | std::uint32_t(std::uint8_t(b[at + 3])) << 24; }
    // "1.wav" is complete: both size fields patched for the samples it holds.
    void ExpectCompleteRecording()
    {
        const QByteArray wav = ReadBytes(cwdFile("1.wav"));
        ASSERT_GE(wav.size(), 44);
        EXPECT_EQ(Le32(wav, 4), std::uint32_t(wav.size() - 8));
        EXPECT_EQ(Le32(wav, 40), std::uint32_t(wav.size() - 40));
        EXPECT_EQ((wav.size() - 44) % 512, 0);
    }
};

TEST_F(VoiceTest, CreatedIdleWithTheLayout)
{
    ExpectIdle("created");
    EXPECT_FALSE(f()->Timer3->Enabled());
    EXPECT_EQ(f()->ClientWidth(), 490);
    EXPECT_EQ(f()->ClientHeight(), 240);
    EXPECT_EQ(f()->Label2->Caption(), QStringLiteral("请您点击\"开始测试\"，在10秒内对着麦克风说话，10秒后自动播放您的声音。"));
    EXPECT_EQ(f()->ProgressBar1->Max(), 100);
    EXPECT_EQ(f()->Timer1->Interval(), 1000);
    EXPECT_EQ(f()->Timer2->Interval(), 1000);
    EXPECT_EQ(f()->Timer3->Interval(), 0);
}

TEST_F(VoiceTest, CountdownSwitchesToPlaybackAtTenAndPlaysTheRecordingBack)
{
    const QDateTime start = StartRecording();
    EXPECT_TRUE(f()->Timer1->Enabled());
    EXPECT_FALSE(f()->ssSkinButton4->Enabled());
    for (int s = 0; s <= 9; ++s) {
        Tick(f()->Timer1, start, s);
        ExpectFrame(10 - s, 1, "s = " + std::to_string(s));
        EXPECT_EQ(f()->TestState(), 1);
        EXPECT_EQ(ReadBytes(cwdFile("zuvi.log")), QByteArray("8\n")) << s;
    }
    Tick(f()->Timer1, start, 10);
    ExpectFrame(0, 3, "s = 10");
    EXPECT_EQ(f()->TestState(), 2);
    EXPECT_EQ(f()->Label3->Caption(), kNotice);
    EXPECT_FALSE(f()->ssSkinButton4->Enabled());
    EXPECT_FALSE(f()->Timer1->Enabled());
    EXPECT_TRUE(f()->Timer2->Enabled());
    EXPECT_TRUE(f()->Timer3->Enabled());
    ExpectCompleteRecording();
    EXPECT_EQ(ReadBytes(cwdFile("zuvi.log")), QByteArray("8\n"));

    // The recording is heard: its samples reach the output device.
    const QByteArray samples = ReadBytes(cwdFile("1.wav")).mid(44);
    ASSERT_GT(samples.size(), 0);
    EXPECT_TRUE(ServeUntil([&] { return alsa.output().size() >= std::size_t(samples.size()); }));
    EXPECT_TRUE(QByteArray::fromStdString(alsa.output()) == samples);

    // The playback does not move the meter: it keeps the recorder's last level.
    ServeUntil([] { return false; }, std::chrono::milliseconds(200));
    const int meter = f()->ProgressBar1->Position();
    const QDateTime playStart = g_now;
    for (int s = 1; s <= 9; ++s) {
        Tick(f()->Timer2, playStart, s);
        EXPECT_EQ(f()->TestState(), 2) << s;
        EXPECT_EQ(f()->Label3->Caption(), kNotice) << s;
    }
    EXPECT_EQ(f()->ProgressBar1->Position(), meter);
    Tick(f()->Timer2, playStart, 10);
    ExpectIdle("playback ended");
    ExpectFrame(0, 3, "after playback");
    EXPECT_TRUE(ServeUntil([&] { return !f()->Timer3->Enabled(); })) << "the player's close switches Timer3 off";
}

TEST_F(VoiceTest, SecondsCountBoundariesLateTicksAndMidnight)
{
    struct Case {
        const char* what;
        QDateTime start;
        std::vector<int> ticksMs; // milliseconds after the start
        std::vector<int> frames; // picture after each tick; 0 = begin_t (and the switch)
    } cases[] = {
        {"first tick at 0", QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0)), {400}, {10}},
        {"boundary, not duration", QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0, 900)), {200, 1100}, {9, 8}},
        {"late tick 9 to 11", QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0)), {9000, 11000}, {1, 0}},
        {"across midnight", QDateTime(QDate(2026, 3, 1), QTime(23, 59, 55)), {1000, 4000, 5000, 9000, 10000}, {9, 6, 5, 1, 0}},
    };
    for (const auto& c : cases) {
        f()->ssSkinButton3Click(f()->ssSkinButton3); // idle again
        g_now = c.start;
        Click(f()->ssSkinButton4);
        for (std::size_t i = 0; i < c.ticksMs.size(); ++i) {
            g_now = c.start.addMSecs(c.ticksMs[i]);
            f()->Timer1->OnTimer(f()->Timer1);
            const std::string where = std::string(c.what) + ", tick " + std::to_string(i);
            ExpectFrame(c.frames[i], c.frames[i] == 0 ? 3 : 1, where);
            EXPECT_EQ(f()->TestState(), c.frames[i] == 0 ? 2 : 1) << where;
        }
    }
    // A late tick also ends the playback.
    const QDateTime playStart = g_now;
    Tick(f()->Timer2, playStart, 9);
    EXPECT_EQ(f()->TestState(), 2);
    Tick(f()->Timer2, playStart, 11);
    ExpectIdle("late end of playback");
}

TEST_F(VoiceTest, DoneAndCloseStopWhatRunsCloseLeavesTheSettings)
{
    struct Case {
        const char* what;
        bool done;
        bool duringPlayback;
    } cases[] = {
        {"done while recording", true, false},
        {"close while recording", false, false},
        {"done while playing", true, true},
        {"close while playing", false, true},
    };
    for (const auto& c : cases) {
        QFile::remove(dataFile("audiotest.ini"));
        std::filesystem::remove(alsa.outFile());
        f()->Show();
        f()->CheckBox1->SetChecked(!c.duringPlayback);
        const QDateTime start = StartRecording();
        if (c.duringPlayback)
            Tick(f()->Timer1, start, 10);
        Click(c.done ? f()->ssSkinButton3 : f()->ssSkinButton2);
        ExpectIdle(c.what);
        EXPECT_FALSE(f()->Visible()) << c.what;
        ExpectFrame(0, 3, c.what);
        ExpectCompleteRecording();
        if (!c.duringPlayback) {
            EXPECT_EQ(alsa.output(), "") << c.what << ": nothing played";
        }
        if (c.done) {
            EXPECT_EQ(f()->ProgressBar1->Position(), 0) << c.what;
            EXPECT_EQ(zuvi::os::IniFile(dataFile("audiotest.ini")).readString("item", "audiotest", "-"), c.duringPlayback ? "0" : "1") << c.what;
        } else {
            EXPECT_FALSE(QFile::exists(dataFile("audiotest.ini"))) << c.what;
        }
    }
    // The next test starts from idle.
    f()->Show();
    Click(f()->ssSkinButton4);
    EXPECT_EQ(f()->TestState(), 1);
}

TEST_F(VoiceTest, HideLetsTheTestRunOn)
{
    const QDateTime start = StartRecording();
    Tick(f()->Timer1, start, 3);
    Click(f()->ssSkinButton1);
    EXPECT_FALSE(f()->Visible());
    EXPECT_EQ(f()->TestState(), 1);
    Tick(f()->Timer1, start, 10);
    f()->Show();
    EXPECT_EQ(f()->TestState(), 2);
    EXPECT_EQ(f()->Label3->Caption(), kNotice);
    ExpectFrame(0, 3, "shown again");
}

TEST_F(VoiceTest, CheckBoxFollowsAudiotestIni)
{
    struct Case {
        const char* what;
        const char* ini; // nullptr: no file
        bool checked;
    } cases[] = {
        {"no file", nullptr, true},
        {"no key", "[item]\r\nother=0\r\n", true},
        {"0", "[item]\r\naudiotest=0\r\n", false},
        {"1", "[item]\r\naudiotest=1\r\n", true},
    };
    for (const auto& c : cases) {
        if (c.ini)
            WriteBytes(dataFile("audiotest.ini"), c.ini);
        else
            QFile::remove(dataFile("audiotest.ini"));
        TForm16* dialog = new TForm16(nullptr);
        EXPECT_EQ(dialog->CheckBox1->Checked(), c.checked) << c.what;
        dialog->Free();
    }
}

TEST_F(VoiceTest, NoDeviceAndNoPicturesTheTestRunsAsUsual)
{
    alsa.withDefault(false);
    alsa.apply();
    WriteBytes(cwdFile("1.wav"), "older");
    SetResourceDir(QString::fromStdString(home.dir())); // no "pic" folder there
    const QDateTime start = g_now;
    Click(f()->ssSkinButton4);
    for (int s = 1; s <= 10; ++s)
        Tick(f()->Timer1, start, s);
    EXPECT_EQ(f()->TestState(), 2);
    EXPECT_EQ(f()->Label3->Caption(), kNotice);
    EXPECT_EQ(ReadBytes(cwdFile("1.wav")), QByteArray("older"));
    Tick(f()->Timer2, g_now, 10);
    ExpectIdle("no device");
    EXPECT_EQ(ReadBytes(home.dir().c_str() + QStringLiteral("/msgbox.log")), QByteArray("<missing>"));
}

TEST_F(VoiceTest, WriteLogTargetsAbcLogElseZuviLog)
{
    struct Case {
        const char* what;
        const char* abc; // nullptr: none
        const char* zuvi;
        QByteArray abcAfter, zuviAfter;
    } cases[] = {
        {"neither", nullptr, nullptr, "<missing>", "8\n"},
        {"old zuvi.log is emptied", nullptr, "old contents", "<missing>", "8\n"},
        {"abc.log keeps its rest", "abcdef", nullptr, "8\ncdef", "<missing>"},
        {"short abc.log grows", "a", "zz", "8\n", "zz"},
    };
    for (const auto& c : cases) {
        QFile::remove(cwdFile("abc.log"));
        QFile::remove(cwdFile("zuvi.log"));
        if (c.abc)
            WriteBytes(cwdFile("abc.log"), c.abc);
        if (c.zuvi)
            WriteBytes(cwdFile("zuvi.log"), c.zuvi);
        WriteLog("8\n");
        EXPECT_EQ(ReadBytes(cwdFile("abc.log")), c.abcAfter) << c.what;
        EXPECT_EQ(ReadBytes(cwdFile("zuvi.log")), c.zuviAfter) << c.what;
    }
    EXPECT_TRUE(VoiceTestFramePath(7).endsWith("/pic/t7.bmp"));
    EXPECT_TRUE(VoiceTestFramePath(0).endsWith("/pic/begin_t.bmp"));
}

} // namespace
