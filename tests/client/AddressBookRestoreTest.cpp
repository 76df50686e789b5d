// Address-book restore: the dialog, its worker and the notice, in process against the service simulator.
// No QProcess here: its child shares the parent's memory until exec, which blinds ThreadSanitizer
// in the parent, and this suite is the one that runs under it.
#include "FormSuite.h"
#include "SimProcess.h"
#include "TempHome.h"

#include "client/AddressBookRestore.h"
#include "client/ProgramForms.h"
#include "client/RestoreNotice.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "platform/net/HttpClient.h"
#include "platform/os/codepage.h"
#include "platform/os/textlist.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QThread>
#include <QJsonObject>
#include <QJsonDocument>
#include <QFile>
#include <QDir>
#include <QTimer>

#include <optional>

using namespace zuvi::ui;
using zuvi::test::pumpUntil;

namespace {

const QString kPhone = QStringLiteral("13800000001");

// A left click on a skinned button, as the pointer gives it.
void press(zuvi::skin::TssSkinButton* button)
{
    button->MouseDown(mbLeft, {}, 5, 5);
    button->MouseUp(mbLeft, {}, 5, 5);
}

// The notice's state as the user sees it: -1 hidden, 0 in progress, 1 done, 2 failed, 3 anything else.
int noticeState()
{
    if (!Synstatus->Visible())
        return -1;
    const bool inProgress = Synstatus->Label1->Visible() && !Synstatus->Label2->Visible()
        && !Synstatus->ssSkinButton1->Visible() && Synstatus->Label1->Caption() == "同步通讯录中...";
    if (inProgress)
        return 0;
    if (Synstatus->Label1->Visible() || !Synstatus->Label2->Visible() || !Synstatus->ssSkinButton1->Visible())
        return 3;
    if (Synstatus->Label2->Caption() == "同步完成")
        return 1;
    return Synstatus->Label2->Caption() == "同步失败，请稍候再试" ? 2 : 3;
}

// The simulator as a forked process, with a fixture whose SIP server is a closed port; control
// requests go through the program's own HTTP client.
class Simulator {
public:
    explicit Simulator(const QString& dir)
    {
        QFile in(QStringLiteral(ZUVI_SIM_FIXTURE));
        in.open(QIODevice::ReadOnly);
        QJsonObject root = QJsonDocument::fromJson(in.readAll()).object();
        root["sip_server"] = "127.0.0.1:5399";
        const QString fixture = dir + "/accounts.json";
        QFile out(fixture);
        out.open(QIODevice::WriteOnly);
        out.write(QJsonDocument(root).toJson());
        out.close();
        m_process = std::make_unique<zuvi::test::SimProcess>(std::vector<std::string>{"--fixture", fixture.toStdString()});
        m_host = QString::fromStdString(m_process->host());
        qputenv("ZUVI_API_HOST", m_host.toLocal8Bit());
        qputenv("ZUVI_API2_HOST", m_host.toLocal8Bit());
        qputenv("ZUVI_SITE_ROOT", QByteArray("http://site.test"));
        qputenv("ZUVI_SIP_FILE_AUDIO", "1");
    }
    QByteArray control(const QString& pathAndQuery, const std::optional<QByteArray>& body = std::nullopt) const
    {
        zuvi::net::HttpClient http(zuvi::net::HttpClient::Kind::Plain);
        const QString url = "http://" + m_host + pathAndQuery;
        return body ? http.post(url, *body, "application/json") : http.get(url);
    }

private:
    std::unique_ptr<zuvi::test::SimProcess> m_process;
    QString m_host;
};

class RestoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateLoginForm();
        ASSERT_NE(synchronous, nullptr);
        ASSERT_NE(Synstatus, nullptr);
    }
    void TearDown() override
    {
        if (Form2 || Form1)
            DestroyApplicationForms();
    }

    void login()
    {
        Form2->frxComboBox1->SetText(kPhone);
        Form2->MaskEdit1->SetText(QStringLiteral("zuvi1234"));
        Form2->ssSkinButton2Click(nullptr);
        Form2->Timer1Timer(Form2->Timer1);
        ASSERT_EQ(Form1->Label1->Caption(), kPhone);
    }

    QString contactFile() const { return home.dataFolder() + kPhone + "/contact"; }
    void writeContacts(const QStringList& lines) const
    {
        QDir().mkpath(home.dataFolder() + kPhone);
        zuvi::os::TextList t;
        t.lines = lines;
        t.save(contactFile());
    }
    QStringList fileContacts() const
    {
        zuvi::os::TextList t;
        t.load(contactFile());
        return t.lines;
    }
    QByteArray fileBytes() const
    {
        QFile f(contactFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QStringList listRows() const { return Form1->ValueListEditor1->Strings()->ToList(); }

    // The body of the next RestoreAddresBook replies (nullopt: the stored contacts).
    void scriptReply(const std::optional<QByteArray>& body) const { sim.control("/_sim/restore", body.value_or(QByteArray())); }

    // Raw path and query of every RestoreAddresBook request so far.
    QList<QPair<QString, QString>> restoreRequests() const
    {
        QList<QPair<QString, QString>> out;
        for (const QByteArray& line : sim.control("/_sim/log").split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o["query"].toString().startsWith("r=Pc/RestoreAddresBook"))
                out.push_back({o["path"].toString(), o["query"].toString()});
        }
        return out;
    }

    // The start button, as the user presses it on the open dialog; waits for the run to end.
    void pressStart() const
    {
        synchronous->Show();
        press(synchronous->ssSkinButton1);
    }
    void runRestore() const
    {
        pressStart();
        ASSERT_TRUE(pumpUntil([] { return !synchronous->FSyncRequested.load(); })) << "the run did not end";
    }

    zuvi::test::TempHome home{"zuvi-restore-test", zuvi::test::TempHome::LogDialogs};
    Simulator sim{home.path()};
};

TEST_F(RestoreTest, MergeAgainstTheReply)
{
    login();
    const QStringList file{"Dan=4", "Ann=1"};
    struct Case {
        const char* what;
        QByteArray reply; // empty: HTTP 500 on the second endpoint
        int state;
        QStringList saved; // empty: the file stays as it was
    } cases[] = {
        {"empty list", R"({"ret":0,"c":[]})", 1, {"Ann=1", "Dan=4"}},
        {"a row already there, an element twice",
            R"({"ret":0,"c":[{"p":"1","n":"Ann"},{"p":"2","n":"Bob"},{"p":"2","n":"Bob"}]})", 1,
            {"Ann=1", "Bob=2", "Dan=4"}},
        {"empty name or number", R"({"ret":0,"c":[{"p":"2","n":""},{"p":"","n":"Bob"},{"p":"3","n":"Cid"}]})", 1,
            {"Ann=1", "Cid=3", "Dan=4"}},
        {"same number under another name", R"({"ret":0,"c":[{"p":"1","n":"Bob"}]})", 1, {"Ann=1", "Bob=1", "Dan=4"}},
        {"no ret", R"({"c":[{"p":"2","n":"Bob"}]})", 2, {}},
        {"ret not 0", R"({"ret":3,"c":[{"p":"2","n":"Bob"}]})", 2, {}},
        {"ret 0 without the list", R"({"ret":0})", 2, {}},
        {"not JSON", "<html><body>busy</body></html>", 2, {}},
        {"transport failure", "", 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeContacts(file);
        const QByteArray before = fileBytes();
        // A row that only the window holds: the reload drops it, whatever the reply.
        Form1->ValueListEditor1->InsertRow("Zed", "9", true);
        if (c.reply.isEmpty())
            sim.control("/_sim/endpoint2?mode=http500");
        else
            scriptReply(c.reply);
        runRestore();
        sim.control("/_sim/endpoint2?mode=off");

        EXPECT_EQ(noticeState(), c.state);
        if (c.saved.isEmpty()) {
            EXPECT_EQ(fileBytes(), before);
            EXPECT_EQ(listRows(), file) << "reloaded, neither sorted nor saved";
        } else {
            EXPECT_EQ(fileContacts(), c.saved);
            EXPECT_EQ(listRows(), c.saved);
        }
        EXPECT_FALSE(synchronous->Visible());
        // The OK button of a finished run hides the notice.
        press(Synstatus->ssSkinButton1);
        EXPECT_EQ(noticeState(), -1);
    }
    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
}

TEST_F(RestoreTest, StoredContactsReachTheFileInItsEncoding)
{
    login();
    writeContacts({});
    scriptReply(std::nullopt); // the account's stored contacts: 张三 13900000001
    runRestore();
    EXPECT_EQ(noticeState(), 1);
    EXPECT_EQ(listRows(), (QStringList{"张三=13900000001"}));
    EXPECT_EQ(fileBytes(), zuvi::os::toAnsi(QStringLiteral("张三=13900000001")) + "\r\n");

    // The request: second endpoint, parameters in order, the login's account and token hash.
    const auto requests = restoreRequests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].first, "/m2_release/index.php");
    EXPECT_EQ(requests[0].second,
        "r=Pc/RestoreAddresBook&Phone=" + kPhone + "&Flag=160000&Hamc=" + Form2->FHamc + "&Ver=5.1.0");
}

TEST_F(RestoreTest, StepsRunOnTheUiThreadInOrderWhileTheWindowStaysResponsive)
{
    login();
    writeContacts({"Dan=4", "Ann=1"});
    Form1->ValueListEditor1->InsertRow("Zed", "9", true);
    scriptReply(R"({"ret":0,"c":[{"p":"2","n":"Bob"}]})");
    sim.control("/_sim/fault?action=RestoreAddresBook&mode=delay&ms=1500");

    struct Event {
        QString what;
        bool onUiThread;
        QStringList rows;
        int notice;
    };
    QList<Event> events;
    QThread* ui = QCoreApplication::instance()->thread();
    auto record = [&](const QString& what) {
        events.push_back({what, QThread::currentThread() == ui, listRows(), noticeState()});
    };
    Form1->ValueListEditor1->Strings()->OnChange = [&] { record("list"); };
    synchronous->OnHide = [&](TObject*) { record("dialog hidden"); };
    Synstatus->OnShow = [&](TObject*) { record("notice shown"); };
    Synstatus->ssSkinForm1->m_OnRegionChanged = [&](TObject*) { record("picture"); };

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);

    pressStart();
    ASSERT_TRUE(pumpUntil([&] { return !restoreRequests().isEmpty(); }));
    // The request is out: the list is reloaded, the dialog hidden, the notice in progress, and
    // the window goes on handling its events.
    EXPECT_EQ(listRows(), (QStringList{"Dan=4", "Ann=1"}));
    EXPECT_FALSE(synchronous->Visible());
    EXPECT_EQ(noticeState(), 0);
    const int ticksAtRequest = ticks;
    int noticeWhenSaved = -2;
    const QByteArray before = fileBytes();
    ASSERT_TRUE(pumpUntil([&] {
        if (noticeWhenSaved == -2 && fileBytes() != before)
            noticeWhenSaved = noticeState();
        return !synchronous->FSyncRequested.load();
    }));
    EXPECT_GT(ticks, ticksAtRequest) << "the window was blocked during the request";
    // The notice stays in progress for the pause after the file is written.
    EXPECT_EQ(noticeWhenSaved, 0);
    EXPECT_EQ(noticeState(), 1);
    Form1->ValueListEditor1->Strings()->OnChange = nullptr;

    QStringList order;
    for (const Event& e : events) {
        EXPECT_TRUE(e.onUiThread) << e.what.toStdString();
        if (order.isEmpty() || order.back() != e.what)
            order << e.what;
    }
    // Reload, hide, show (state 0), merge, sort, state 1.
    EXPECT_EQ(order, (QStringList{"list", "dialog hidden", "notice shown", "picture", "list", "picture"}));
    QList<QStringList> lists;
    for (const Event& e : events)
        if (e.what == "list")
            lists << e.rows;
    EXPECT_EQ(lists.first(), (QStringList{"Dan=4", "Ann=1"}));
    EXPECT_EQ(lists.last(), (QStringList{"Ann=1", "Bob=2", "Dan=4"}));
    EXPECT_TRUE(lists.contains(QStringList{"Dan=4", "Ann=1", "Bob=2"})) << "merged before sorting";
}

TEST_F(RestoreTest, StartPressedDuringARunIsAbsorbed)
{
    login();
    writeContacts({"Ann=1"});
    scriptReply(R"({"ret":0,"c":[]})");
    sim.control("/_sim/fault?action=RestoreAddresBook&mode=delay&ms=1000&count=1");
    pressStart();
    ASSERT_TRUE(pumpUntil([&] { return !restoreRequests().isEmpty(); }));
    press(synchronous->ssSkinButton1);
    press(synchronous->ssSkinButton1);
    ASSERT_TRUE(pumpUntil([] { return !synchronous->FSyncRequested.load(); }));
    pumpUntil([] { return false; }, 1500);
    EXPECT_EQ(restoreRequests().size(), 1);
    EXPECT_EQ(noticeState(), 1);

    // A later press runs a full restore again, starting from the in-progress state.
    press(Synstatus->ssSkinButton1);
    QList<int> seen;
    pressStart();
    ASSERT_TRUE(pumpUntil([&] {
        if (seen.isEmpty() || seen.back() != noticeState())
            seen << noticeState();
        return !synchronous->FSyncRequested.load();
    }));
    EXPECT_EQ(restoreRequests().size(), 2);
    EXPECT_EQ(seen, (QList<int>{-1, 0, 1}));
}

TEST_F(RestoreTest, ContactViewsStayAsTheyWere)
{
    // An empty contact file at login: the placeholder covers the list.
    writeContacts({});
    login();
    ASSERT_TRUE(Form1->ValueListEditor2->Visible());
    scriptReply(R"({"ret":0,"c":[{"p":"2","n":"Bob"}]})");
    runRestore();
    EXPECT_EQ(listRows(), (QStringList{"Bob=2"}));
    EXPECT_TRUE(Form1->ValueListEditor2->Visible());
    EXPECT_FALSE(Form1->ValueListEditor1->Visible());
}

TEST_F(RestoreTest, FailingStepIsReportedAndTheWorkerGoesOn)
{
    login();
    // The contact file cannot be read: a folder stands in its place.
    QFile::remove(contactFile());
    ASSERT_TRUE(QDir().mkpath(contactFile()));
    scriptReply(R"({"ret":0,"c":[{"p":"2","n":"Bob"}]})");
    runRestore();
    EXPECT_TRUE(pumpUntil([&] { return !home.messages().isEmpty(); }));
    EXPECT_EQ(noticeState(), 2);
    EXPECT_TRUE(restoreRequests().isEmpty());

    ASSERT_TRUE(QDir().rmdir(contactFile()));
    runRestore();
    EXPECT_EQ(noticeState(), 1);
    EXPECT_EQ(fileContacts(), (QStringList{"Bob=2"}));
}

TEST_F(RestoreTest, EndingTheProgramDoesNotWaitForARun)
{
    login();
    writeContacts({"Ann=1"});
    const QByteArray before = fileBytes();
    scriptReply(R"({"ret":0,"c":[{"p":"2","n":"Bob"}]})");
    sim.control("/_sim/fault?action=RestoreAddresBook&mode=delay&ms=2000&count=1");
    zuvi_Thread* worker = synchronous->FSyncThread;
    pressStart();
    ASSERT_TRUE(pumpUntil([&] { return !restoreRequests().isEmpty(); }));

    // The windows go while the request is out; the run is still on when they are gone.
    DestroyApplicationForms();
    EXPECT_EQ(synchronous, nullptr);
    EXPECT_EQ(Synstatus, nullptr);
    EXPECT_TRUE(worker->Request().load());
    // The reply comes later: the worker ends the run without touching a window or the file.
    ASSERT_TRUE(pumpUntil([&] { return !worker->Request().load(); }));
    EXPECT_EQ(fileBytes(), before);
    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
}

TEST_F(RestoreTest, DialogButtonsAndNoticePictures)
{
    EXPECT_FALSE(synchronous->Visible());
    EXPECT_FALSE(Synstatus->Visible());
    EXPECT_FALSE(synchronous->FSyncThread->Started());
    EXPECT_EQ(synchronous->Width(), 340);
    EXPECT_EQ(synchronous->Height(), 212);
    for (auto* close : {synchronous->ssSkinButton2, synchronous->ssSkinButton3}) {
        synchronous->Show();
        press(close);
        EXPECT_FALSE(synchronous->Visible());
    }
    EXPECT_FALSE(synchronous->FSyncThread->Started()) << "only the start button starts the worker";

    for (int state : {0, 1, 2}) {
        const QString path = SyncPicturePath(state);
        EXPECT_TRUE(path.endsWith(QStringList{"pic/syn_doing.bmp", "pic/syn_done.bmp", "pic/syn_failed.bmp"}[state]));
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    }
    // A missing picture keeps the background: the notice still tells the state and can be closed.
    const QString saved = ResourceDir();
    SetResourceDir(home.path());
    Synstatus->Show();
    Synstatus->ShowSyncStatus(2);
    SetResourceDir(saved);
    EXPECT_EQ(noticeState(), 2);
    EXPECT_EQ(Synstatus->Width(), 340);
    EXPECT_EQ(Synstatus->Height(), 212);
}

} // namespace

int main(int argc, char** argv) { return zuvi::test::RunFormSuite(argc, argv); }
