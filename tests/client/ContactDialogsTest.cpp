// Contact add and edit dialogs, in process, logged in against the service simulator: the lists,
// the file "contact", and the upload as the service receives it, byte for byte.
#include "LoginHarness.h"

#include "client/AddContactDialog.h"
#include "client/ProgramForms.h"
#include "client/EditContactDialog.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "platform/net/HttpClient.h"
#include "platform/os/textlist.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QJsonArray>

using namespace zuvi::ui;
using zuvi::test::ServiceSim;
using zuvi::test::TempHome;

namespace {

const QString kPhone = QStringLiteral("13800000001");
const QString kPassword = QStringLiteral("zuvi1234");

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// One logged request with its headers and body.
struct Posted {
    QString method, path, query;
    QMap<QString, QString> headers;
    QByteArray body;
};

// The bytes of one field's part as the upload writes it, for a value already quoted-printable.
QByteArray part(const QByteArray& boundary, const QByteArray& name, const QByteArray& qp)
{
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name
        + "\"\r\nContent-Type: text/plain\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n" + qp;
}

class ContactDialogs : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.running());
        CreateLoginForm();
        ASSERT_NE(Form5, nullptr);
        ASSERT_NE(Form9, nullptr);
        Form2->frxComboBox1->SetText(kPhone);
        Form2->MaskEdit1->SetText(kPassword);
        Form2->ssSkinButton2Click(nullptr);
        Form2->Timer1Timer(Form2->Timer1);
        ASSERT_EQ(Form1->Label1->Caption(), kPhone);
        ASSERT_EQ(Form2->FHamc.size(), 32);
        sim.control("/_sim/reset");
    }
    void TearDown() override
    {
        if (Form2 || Form1)
            DestroyApplicationForms();
    }

    QString contactPath() const { return home.dataFolder() + kPhone + "/contact"; }
    QStringList fileLines() const
    {
        zuvi::os::TextList file;
        file.load(contactPath());
        return file.lines;
    }
    QStringList listLines() const { return Form1->ValueListEditor1->Strings()->ToList(); }
    void setList(const QStringList& lines)
    {
        Form1->ValueListEditor1->Strings()->Assign(lines);
        SaveContactFile();
    }

    std::vector<Posted> uploads() const
    {
        std::vector<Posted> out;
        for (const QByteArray& line : sim.control("/_sim/log").split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (o.isEmpty() || !o["query"].toString().contains("UpAddresBook"))
                continue;
            Posted p{o["method"].toString(), o["path"].toString(), o["query"].toString(), {},
                o["body"].toString().toLatin1()};
            for (const QJsonValue h : o["headers"].toArray())
                p.headers[h.toArray()[0].toString()] = h.toArray()[1].toString();
            out.push_back(p);
        }
        return out;
    }
    // The uploads as the service read them: PL after the transfer encoding is undone, and the
    // parse fault if any.
    std::vector<QJsonObject> received() const
    {
        std::vector<QJsonObject> out;
        for (const QByteArray& line : sim.control("/_sim/uploads").split('\n'))
            if (!line.trimmed().isEmpty())
                out.push_back(QJsonDocument::fromJson(line).object());
        return out;
    }
    // The service's stored address book: name and number of every contact.
    QStringList addressBook() const
    {
        QStringList out;
        for (const QJsonValue c : QJsonDocument::fromJson(sim.control("/_sim/addressbook?phone=" + kPhone)).array())
            out << c["name"].toString() + "=" + c["number"].toString();
        return out;
    }
    // The boundary named by the Content-Type header.
    static QByteArray boundaryOf(const Posted& p)
    {
        const QString type = p.headers.value("Content-Type");
        const QString prefix = "multipart/form-data; boundary=";
        return type.startsWith(prefix) ? type.mid(prefix.size()).toLatin1() : QByteArray();
    }

    static void type(TContactDialog* dialog, const QString& name, const QString& number)
    {
        dialog->Edit1->SetText(name);
        dialog->Edit2->SetText(number);
    }
    // An OK press as the event loop runs it: an escaping error goes to the message box.
    template<class Dialog>
    void ok(Dialog* dialog)
    {
        Guard([dialog] { dialog->ssSkinButton1Click(dialog->ssSkinButton1); });
    }

    TempHome home{"zuvi-contacts-test", TempHome::LogDialogs};
    ServiceSim sim{home.path()};
};

TEST_F(ContactDialogs, AddButtonOpensEmptyAndOkAppendsSavesShowsUploadsAndCloses)
{
    setList({u("李四=13900000002")});
    Form1->ValueListEditor1->Hide();
    Form1->ValueListEditor2->Show();
    type(Form5, u("旧"), u("1"));
    Form1->ssSkinButton6Click(Form1->ssSkinButton6);
    ASSERT_TRUE(Form5->Visible());
    EXPECT_EQ(Form5->Edit1->Text(), QString());
    EXPECT_EQ(Form5->Edit2->Text(), QString());

    type(Form5, u("王五"), u("13900000005"));
    const QDateTime before = QDateTime::currentDateTime();
    ok(Form5);
    const QDateTime after = QDateTime::currentDateTime();

    EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
    const QStringList expected{u("李四=13900000002"), u("王五=13900000005")};
    EXPECT_EQ(listLines(), expected);
    EXPECT_EQ(fileLines(), expected);
    EXPECT_TRUE(Form1->ValueListEditor1->Visible());
    EXPECT_FALSE(Form1->ValueListEditor2->Visible());
    EXPECT_FALSE(Form5->Visible());
    // The fields keep their text after the dialog has closed.
    EXPECT_EQ(Form5->Edit1->Text(), u("王五"));

    const auto sent = uploads();
    ASSERT_EQ(sent.size(), 1u);
    const Posted& p = sent[0];
    EXPECT_EQ(p.method, "POST");
    EXPECT_EQ(p.path, "/m2/index.php");
    EXPECT_EQ(p.query, "r=Pc/UpAddresBook");
    EXPECT_EQ(p.headers.value("Accept"), QString::fromLatin1(zuvi::net::kAcceptBrowser));
    EXPECT_EQ(p.headers.value("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(p.headers.value("Content-Length"), QString::number(p.body.size()));

    // The boundary: eight "-" and the moment the body was made, month first.
    const QByteArray boundary = boundaryOf(p);
    ASSERT_EQ(boundary.size(), 23) << boundary.toStdString();
    ASSERT_TRUE(boundary.startsWith("--------"));
    QDateTime moment = QDateTime::fromString(QString::fromLatin1(boundary.mid(8)), "MMddyyHHmmsszzz");
    moment = moment.addYears(before.date().year() / 100 * 100 - 1900);
    EXPECT_GE(moment, before) << boundary.toStdString();
    EXPECT_LE(moment, after) << boundary.toStdString();

    const QByteArray body = part(boundary, "Phone", "13800000001\r\n") + part(boundary, "Flag", "160000\r\n")
        + part(boundary, "Ver", "5.1.0\r\n") + part(boundary, "Hamc", Form2->FHamc.toLatin1() + "\r\n")
        + part(boundary, "PL", "13900000005,%E7%8E%8B%E4%BA%94,\r\n") + "--" + boundary + "--\r\n";
    EXPECT_EQ(p.body, body);

    // The service read it and holds the contact.
    const auto got = received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]["error"].toString(), QString());
    EXPECT_EQ(got[0]["PL"].toString(), "13900000005,%E7%8E%8B%E4%BA%94,");
    EXPECT_TRUE(addressBook().contains(u("王五=13900000005"))) << addressBook().join(",").toStdString();
}

TEST_F(ContactDialogs, MenuAddKeepsTheFieldsAndAddsTheSameContactAgainWithTheDialogsCookie)
{
    Form1->ssSkinButton6Click(Form1->ssSkinButton6);
    type(Form5, u("张三"), u("13900000001"));
    ok(Form5);
    ASSERT_FALSE(Form5->Visible());
    Form1->N12Click(Form1->N12);
    ASSERT_TRUE(Form5->Visible());
    EXPECT_EQ(Form5->Edit1->Text(), u("张三"));
    EXPECT_EQ(Form5->Edit2->Text(), u("13900000001"));
    ok(Form5);

    const QStringList twice{u("张三=13900000001"), u("张三=13900000001")};
    EXPECT_EQ(listLines(), twice);
    EXPECT_EQ(fileLines(), twice);
    const auto sent = uploads();
    ASSERT_EQ(sent.size(), 2u);
    // The dialog's own client: no cookie at first, then the one its first reply set.
    EXPECT_FALSE(sent[0].headers.contains("Cookie"));
    EXPECT_TRUE(sent[1].headers.value("Cookie").startsWith("PHPSESSID=")) << sent[1].headers.value("Cookie").toStdString();
}

TEST_F(ContactDialogs, FailedCheckShowsItsMessageAndChangesNothing)
{
    const QString emoji = u("😀");
    struct Case {
        QString name, number, message;
    } cases[] = {
        {QString(), u("13900000001"), u("号码不可以空")},
        {u("张三"), u("139-abc"), u("无效号码")},
        {u("张三李四王五赵六钱孙李"), u("13900000001"), u("名字最多10个字符")},
        {u("张三李四王五赵六钱") + emoji, u("13900000001"), u("名字最多10个字符")},
        {u("张三"), u("123456789012345678901"), u("号吗最多20个字符")},
        {u("张三李四王五赵六钱孙李"), u("123456789012345678901"), u("名字最多10个字符")},
    };
    setList({u("a=1"), u("b=2")});
    const QByteArray file = ReadAll(contactPath());
    for (const Case& c : cases) {
        for (TContactDialog* dialog : {static_cast<TContactDialog*>(Form5), static_cast<TContactDialog*>(Form9)}) {
            QFile::remove(home.path() + "/msgbox.log");
            dialog->Show();
            Form1->ValueListEditor1->SetRow(1);
            type(dialog, c.name, c.number);
            if (dialog == Form5)
                ok(Form5);
            else
                ok(Form9);
            EXPECT_EQ(home.messages(), QStringList{c.message}) << c.name.toStdString() << " / " << c.number.toStdString();
            EXPECT_TRUE(dialog->Visible());
            dialog->Hide();
        }
    }
    EXPECT_EQ(listLines(), (QStringList{u("a=1"), u("b=2")}));
    EXPECT_EQ(ReadAll(contactPath()), file);
    EXPECT_TRUE(uploads().empty());
}

TEST_F(ContactDialogs, EditReplacesExactlyTheCurrentRowAndLeavesTheFile)
{
    struct Case {
        QStringList lines;
        int row;
        QStringList result;
    } cases[] = {
        {{u("甲=131"), u("乙=132"), u("丙=133"), u("丁=134"), u("戊=135")}, 3,
            {u("甲=131"), u("乙=132"), u("改名=13900000033"), u("丁=134"), u("戊=135")}},
        // Lines no login leaves behind stay where they are, with their text.
        {{u("甲=131"), QString(), u("abc"), u("乙="), u("丙=133"), u("=137")}, 5,
            {u("甲=131"), QString(), u("abc"), u("乙="), u("改名=13900000033"), u("=137")}},
    };
    for (const Case& c : cases) {
        sim.control("/_sim/reset");
        setList(c.lines);
        const QByteArray file = ReadAll(contactPath());
        // Selecting the row puts its number into the dial edit; "编辑" opens the dialog on it.
        Form1->ValueListEditor1->SetRow(c.row);
        Form1->N11Click(Form1->N11);
        ASSERT_TRUE(Form9->Visible());
        const QString line = c.lines[c.row - 1];
        EXPECT_EQ(Form9->Edit1->Text(), line.section('=', 0, 0));
        EXPECT_EQ(Form9->Edit2->Text(), line.section('=', 1));

        type(Form9, u("改名"), u("13900000033"));
        ok(Form9);
        EXPECT_TRUE(home.messages().isEmpty()) << home.messages().join(" | ").toStdString();
        EXPECT_EQ(listLines(), c.result);
        EXPECT_EQ(ReadAll(contactPath()), file);
        EXPECT_FALSE(Form9->Visible());
        const auto got = received();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0]["PL"].toString(), "13900000033,%E6%94%B9%E5%90%8D,");
        EXPECT_TRUE(addressBook().contains(u("改名=13900000033")));
    }
}

TEST_F(ContactDialogs, EditReplacesTheLineItShowsWhateverWasSelected)
{
    struct Case {
        QStringList lines;
        int selected;
        QString dialText; // typed into the dial edit after the selection
        QString shown; // the name the edit dialog opens with
        QStringList result;
    } cases[] = {
        // A number typed for another contact than the selected one: that contact is edited.
        {{u("甲=131"), u("乙=132"), u("丙=133")}, 1, u("133"), u("丙"), {u("甲=131"), u("乙=132"), u("新=133")}},
        // Two lines with one number: the selected one is edited, not the first.
        {{u("甲=131"), u("乙=131")}, 2, u("131"), u("乙"), {u("甲=131"), u("新=133")}},
    };
    for (const Case& c : cases) {
        setList(c.lines);
        Form1->ValueListEditor1->SetRow(c.selected == 1 ? 2 : 1);
        Form1->ValueListEditor1->SetRow(c.selected);
        Form1->Edit1->SetText(c.dialText);
        Form1->N11Click(Form1->N11);
        ASSERT_TRUE(Form9->Visible());
        EXPECT_EQ(Form9->Edit1->Text(), c.shown);
        type(Form9, u("新"), u("133"));
        ok(Form9);
        EXPECT_EQ(listLines(), c.result);
    }
}

TEST_F(ContactDialogs, ReplyDecidesWhetherTheAddDialogStaysTheEditDialogAlwaysCloses)
{
    struct Case {
        const char* fault; // simulator fault of the next upload; "down": no server at all
        bool addStaysOpen;
    } cases[] = {
        {"", false}, // JSON ret 0
        {"refuse", false}, // JSON ret 1
        {"notjson", true}, // an HTML page
        {"empty", true},
        {"http500", false},
        {"close", false},
        {"down", false},
    };
    int lines = 0;
    for (const Case& c : cases) {
        const std::string fault = c.fault;
        auto arm = [&] {
            if (fault == "down")
                qputenv("ZUVI_API_HOST", "127.0.0.1:9");
            else if (!fault.empty())
                sim.fault("UpAddresBook", QString::fromStdString(fault), 1);
        };
        arm();
        Form1->ssSkinButton6Click(Form1->ssSkinButton6);
        type(Form5, u("新"), u("13900000088"));
        ok(Form5);
        ++lines;
        EXPECT_EQ(Form5->Visible(), c.addStaysOpen) << fault;
        EXPECT_EQ(listLines().size(), lines) << fault;
        EXPECT_EQ(fileLines().size(), lines) << fault;
        Form5->Hide();

        arm();
        Form1->ValueListEditor1->SetRow(lines);
        Form9->Show();
        type(Form9, u("改"), u("13900000099"));
        ok(Form9);
        EXPECT_FALSE(Form9->Visible()) << fault;
        EXPECT_EQ(listLines().last(), u("改=13900000099")) << fault;
        EXPECT_TRUE(home.messages().isEmpty()) << fault << ": " << home.messages().join(" | ").toStdString();
        qputenv("ZUVI_API_HOST", sim.host().toLocal8Bit());
    }
}

TEST_F(ContactDialogs, PlValuesAtTheSoftBreakAndOutsideTheBmpReachTheServiceWhole)
{
    struct Case {
        QString name, number;
        QByteArray pl; // as encoded
        QByteArray qp; // the PL part's content in the body
    } cases[] = {
        // 75 characters: 70, a soft break, the last 5.
        {u("张三李四王 a b"), u("12345678901234567890"),
            "12345678901234567890,%E5%BC%A0%E4%B8%89%E6%9D%8E%E5%9B%9B%E7%8E%8B%20a%20b,",
            "12345678901234567890,%E5%BC%A0%E4%B8%89%E6%9D%8E%E5%9B%9B%E7%8E%8B%20a=\r\n%20b,\r\n"},
        // The 71st character is "." and starts the line after the soft break.
        {u("张三李四王abcd."), u("12345678901234567890"),
            "12345678901234567890,%E5%BC%A0%E4%B8%89%E6%9D%8E%E5%9B%9B%E7%8E%8Babcd.,",
            "12345678901234567890,%E5%BC%A0%E4%B8%89%E6%9D%8E%E5%9B%9B%E7%8E%8Babcd=\r\n=2E,\r\n"},
        // A character outside the BMP is four bytes; "=" and blanks in a name are escaped.
        {u("😀小明"), u("139 0000-0001"), "139%200000-0001,%F0%9F%98%80%E5%B0%8F%E6%98%8E,",
            "139%200000-0001,%F0%9F%98%80%E5%B0%8F%E6%98%8E,\r\n"},
        {u("a=b c"), u("13900000007"), "13900000007,a%3Db%20c,", "13900000007,a%3Db%20c,\r\n"},
    };
    for (const Case& c : cases) {
        sim.control("/_sim/reset");
        Form1->ssSkinButton6Click(Form1->ssSkinButton6);
        type(Form5, c.name, c.number);
        ok(Form5);
        const auto sent = uploads();
        ASSERT_EQ(sent.size(), 1u) << c.pl.toStdString();
        const QByteArray boundary = boundaryOf(sent[0]);
        const QByteArray plPart = part(boundary, "PL", c.qp) + "--" + boundary + "--\r\n";
        EXPECT_TRUE(sent[0].body.endsWith(plPart)) << sent[0].body.toStdString();
        EXPECT_TRUE(sent[0].body.startsWith("--" + boundary + "\r\n"));
        const auto got = received();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0]["error"].toString(), QString());
        EXPECT_EQ(got[0]["PL"].toString().toLatin1(), c.pl);
        EXPECT_TRUE(addressBook().contains(c.name + "=" + c.number)) << addressBook().join(",").toStdString();
    }
}

TEST_F(ContactDialogs, UnwritableContactFileIsReportedAndNothingIsSent)
{
    QFile::remove(contactPath());
    ASSERT_TRUE(QDir().mkpath(contactPath() + "/blocked"));
    Form1->ssSkinButton6Click(Form1->ssSkinButton6);
    type(Form5, u("王五"), u("13900000005"));
    ok(Form5);
    ASSERT_EQ(home.messages().size(), 1);
    EXPECT_FALSE(home.messages()[0].isEmpty());
    EXPECT_EQ(listLines().last(), u("王五=13900000005"));
    EXPECT_TRUE(Form5->Visible());
    EXPECT_TRUE(uploads().empty());
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    TApplication app(argc, argv);
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    return RUN_ALL_TESTS();
}
