// Main window: layout, creation steps, tabs, contact list and its file, dial-edit keys, volumes.
#include "main_test_env.h"
#include "TForm1Access.h"

#include "client/SipStack.h"
#include "client/MainWindow.h"
#include "platform/os/folders.h"
#include "platform/os/textlist.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QTest>

using namespace zuvi::ui;

static std::unique_ptr<TemporaryHome> g_home;

namespace {

TForm1* MainWindow()
{
    if (!Form1)
        CreateForm(&Form1, nullptr);
    return Form1;
}

void SetContacts(const QStringList& lines) { MainWindow()->ValueListEditor1->Strings()->Assign(lines); }
QStringList Contacts() { return MainWindow()->ValueListEditor1->Strings()->ToList(); }

QString DataFile(const QString& name) { return zuvi::os::dataFolder() + name; }

// Middle of a grid row in the list's coordinates (row 0: the title row).
QPoint RowPoint(TValueListEditor* list, int row)
{
    QTableWidget* t = list->Table();
    const int frame = t->frameWidth();
    const int header = t->horizontalHeader()->height();
    if (row == 0)
        return QPoint(20, frame + header / 2);
    return QPoint(20, frame + header + t->rowViewportPosition(row - 1) + t->rowHeight(row - 1) / 2);
}

void CloseMenus()
{
    if (QMenu* m = MainWindow()->PopupMenu1->Menu())
        m->close();
    QApplication::processEvents();
}

} // namespace

TEST(MainWindowLayout, ComponentsStartAsLaidOut)
{
    TForm1* f = MainWindow();
    EXPECT_EQ(f->Caption(), QStringLiteral("Zuvi网络电话"));
    EXPECT_EQ(f->Width(), 262);
    EXPECT_EQ(f->Height(), 510);
    EXPECT_FALSE(f->Visible());

    EXPECT_EQ(f->Label4->Caption(), QString(17, u' ') + QStringLiteral("通讯录"));
    EXPECT_EQ(f->Label5->Caption(), QString(18, u' ') + QStringLiteral("打电话"));
    EXPECT_EQ(f->Label6->Caption(), QString(17, u' ') + QStringLiteral("通话记录"));
    EXPECT_EQ(f->Label7->Caption(), QString(20, u' ') + QStringLiteral("优惠活动"));
    EXPECT_EQ(f->Label9->Caption(), QStringLiteral("2.手机号直接拨打，固话号码前请加拨区号如：010-12345678；"));
    EXPECT_EQ(f->Label10->Caption(), QStringLiteral("3.使用电脑直接拨打，请注意提前调试好耳麦。 "));

    // Contacts tab with the placeholder grid over the list; banner and links hidden.
    EXPECT_TRUE(f->Panel1->Visible());
    EXPECT_TRUE(f->Panel4->Visible());
    EXPECT_FALSE(f->Panel2->Visible());
    EXPECT_FALSE(f->Panel3->Visible());
    EXPECT_FALSE(f->Panel5->Visible());
    EXPECT_TRUE(f->Image8->Visible());
    EXPECT_FALSE(f->Image9->Visible() || f->Image7->Visible() || f->Image6->Visible());
    EXPECT_TRUE(f->ValueListEditor2->Visible());
    EXPECT_EQ(f->ValueListEditor2->Strings()->ToList(), QStringList{QStringLiteral("暂无记录=")});
    EXPECT_EQ(f->ValueListEditor2->Cells(0, 1), QStringLiteral("暂无记录"));
    EXPECT_EQ(f->ValueListEditor1->TitleCaptions(), (QStringList{QStringLiteral("姓名"), QStringLiteral("电话号码")}));
    EXPECT_EQ(f->ValueListEditor1->ColWidths(0), 119);
    EXPECT_EQ(f->ValueListEditor1->ColWidths(1), 131);
    EXPECT_EQ(f->ValueListEditor2->ColWidths(0), 125);
    EXPECT_EQ(f->ValueListEditor2->ColWidths(1), 125);
    EXPECT_EQ(f->ListBox1->ItemHeight(), 13);
    EXPECT_EQ(f->Font().Height, 11);
    EXPECT_EQ(f->Edit1->Font().Height, 19);

    // Places (left, top, width, height) of the controls the status texts and calls depend on.
    struct Place {
        TControl* c;
        int left, top, width, height;
    };
    for (const Place& p : {Place{f->Label14, 18, 17, 218, -1}, Place{f->Label13, 18, 36, 218, -1},
             Place{f->Edit1, 54, 63, 146, 31}, Place{f->ssSkinButton3, 18, 108, 70, 30},
             Place{f->ssSkinButton8, 18, 108, 70, 30}, Place{f->ssSkinButton5, 166, 108, 70, 30},
             Place{f->TrackBar1, 42, 152, 60, 33}, Place{f->TrackBar2, 176, 152, 60, 33},
             Place{f->Panel4, 2, 252, 252, 193}, Place{f->Panel5, 1, 122, 255, 323},
             Place{f->Image2, 1, 451, 254, 58}, Place{f->Label1, 66, 29, 113, -1}}) {
        EXPECT_EQ(p.c->Left(), p.left) << p.c->Name().toStdString();
        EXPECT_EQ(p.c->Top(), p.top) << p.c->Name().toStdString();
        EXPECT_EQ(p.c->Width(), p.width) << p.c->Name().toStdString();
        if (p.height >= 0) {
            EXPECT_EQ(p.c->Height(), p.height) << p.c->Name().toStdString();
        }
    }
    EXPECT_FALSE(f->Image2->Visible());
    EXPECT_FALSE(f->Label15->Visible() || f->Label16->Visible() || f->Label17->Visible());

    // Call button shown, busy button hidden, sliders 0 to 10 at 0.
    EXPECT_TRUE(f->ssSkinButton3->Visible());
    EXPECT_FALSE(f->ssSkinButton8->Visible());
    EXPECT_EQ(f->ssSkinButton8->DivNum(), 1);
    EXPECT_EQ(f->ssSkinButton3->DivNum(), 3);
    for (TTrackBar* t : {f->TrackBar1, f->TrackBar2}) {
        EXPECT_EQ(t->Min(), 0);
        EXPECT_EQ(t->Max(), 10);
        EXPECT_EQ(t->Position(), 0);
    }
    EXPECT_EQ(f->Edit1->MaxLength(), 0);

    struct TimerRow {
        TTimer* t;
        int interval;
        bool enabled;
    };
    for (const TimerRow& r : {TimerRow{f->Timer1, 1000, false}, TimerRow{f->Timer2, 30000, false},
             TimerRow{f->Timer3, 1000, false}, TimerRow{f->Timer4, 1000, false},
             TimerRow{f->Timer5, 2000, false}, TimerRow{f->Timer6, 500, false},
             TimerRow{f->Timer7, 5000, false}, TimerRow{f->Timer8, 1000, true}}) {
        EXPECT_EQ(r.t->Interval(), r.interval) << r.t->Name().toStdString();
        EXPECT_EQ(r.t->Enabled(), r.enabled) << r.t->Name().toStdString();
    }

    QStringList menu1, menu2;
    for (int i = 0; i < f->PopupMenu1->Items()->Count(); ++i)
        menu1 << f->PopupMenu1->Items()->Items(i)->Caption();
    for (int i = 0; i < f->PopupMenu2->Items()->Count(); ++i)
        menu2 << f->PopupMenu2->Items()->Items(i)->Caption();
    EXPECT_EQ(menu1, (QStringList{"呼叫", "编辑", "添加", "删除"}));
    EXPECT_EQ(menu2, (QStringList{"了解Zuvi", "帮助中心", "我要充值", "-", "我的Zuvi", "系统设置", "软件升级", "切换账户", "-", "退出"}));
    EXPECT_FALSE(f->PopupMenu1->AutoHotkeys);
    EXPECT_FALSE(f->PopupMenu2->AutoHotkeys);

    EXPECT_TRUE(f->TrayIcon1->Visible());
    EXPECT_EQ(f->TrayIcon1->PopupMenu(), f->PopupMenu2);
    EXPECT_EQ(f->ImageList1->Count(), 2);
    EXPECT_TRUE(f->IdIPAddrMon1->Active);

    EXPECT_EQ(f->AdLink(), QStringLiteral("http://127.0.0.1:9/site"));
    EXPECT_FALSE(f->SwitchingAccount());
}

// Banner reading at creation: the creation steps run again on a fresh banner state.
TEST(MainWindowCreate, BannerFile)
{
    TForm1* f = MainWindow();
    auto recreate = [f] {
        f->Image2->Hide();
        f->Image2->Picture()->Assign(TBitmap());
        TForm1Access::AdLink(f).clear();
        g_home->clearLog("msgbox.log");
        f->FormCreate(f);
    };

    // 0 bytes: deleted, banner area shown without a picture.
    WriteFileBytes(DataFile("ad.jpg"), QByteArray());
    recreate();
    EXPECT_FALSE(QFile::exists(DataFile("ad.jpg")));
    EXPECT_TRUE(f->Image2->Visible());
    EXPECT_EQ(f->Image2->Picture()->Width(), 0);
    EXPECT_EQ(f->AdLink(), QStringLiteral("http://127.0.0.1:9/site"));

    // A JPEG picture is shown.
    QImage img(40, 10, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(DataFile("ad.jpg"), "JPEG"));
    recreate();
    EXPECT_TRUE(f->Image2->Visible());
    EXPECT_EQ(f->Image2->Picture()->Width(), 40);
    EXPECT_TRUE(QFile::exists(DataFile("ad.jpg")));
    EXPECT_TRUE(g_home->readLog("msgbox.log").isEmpty());

    // Not a JPEG: the decoder's error is reported, the banner stays hidden, no default link.
    WriteFileBytes(DataFile("ad.jpg"), "<html>not a picture</html>");
    recreate();
    EXPECT_FALSE(f->Image2->Visible());
    EXPECT_TRUE(f->AdLink().isEmpty());
    EXPECT_FALSE(g_home->readLog("msgbox.log").isEmpty());
    QFile::remove(DataFile("ad.jpg"));
}

TEST(MainWindowTabs, PagesHighlightAndFocus)
{
    TForm1* f = MainWindow();
    f->Show();
    QApplication::setActiveWindow(f->Widget());
    QApplication::processEvents();

    struct Tab {
        void (TForm1::*image)(TObject*);
        void (TForm1::*label)(TObject*);
        TPanel* page;
        TImage* highlight;
    };
    const Tab tabs[] = {{&TForm1::Image8Click, &TForm1::Label4Click, f->Panel1, f->Image8},
        {&TForm1::Image9Click, &TForm1::Label5Click, f->Panel2, f->Image9},
        {&TForm1::Image7Click, &TForm1::Label6Click, f->Panel3, f->Image7},
        {&TForm1::Image6Click, &TForm1::Label7Click, f->Panel5, f->Image6}};
    for (const Tab& tab : tabs) {
        for (auto handler : {tab.image, tab.label}) {
            // Start from the promotions tab so that the dial area has to come back.
            f->Image6Click(f);
            f->Label15->Show();
            (f->*handler)(f);
            QApplication::processEvents();
            for (TPanel* p : {f->Panel1, f->Panel2, f->Panel3, f->Panel5})
                EXPECT_EQ(p->Visible(), p == tab.page) << p->Name().toStdString();
            EXPECT_EQ(f->Panel4->Visible(), tab.page != f->Panel5);
            for (TImage* h : {f->Image8, f->Image9, f->Image7, f->Image6})
                EXPECT_EQ(h->Visible(), h == tab.highlight) << h->Name().toStdString();
            if (tab.page != f->Panel5) {
                EXPECT_TRUE(f->Edit1->Focused());
            }
            // Only the caption labels hide the links again.
            EXPECT_EQ(f->Label15->Visible(), handler == tab.image);
        }
    }
    f->Label15->Hide();
    f->Image8Click(f);
    f->Hide();
}

TEST(MainWindowContacts, SortKeepsWellFormedLinesInLocaleOrder)
{
    ASSERT_TRUE(qgetenv("LANG").startsWith("zh_CN"));
    TForm1* f = MainWindow();
    SetContacts({"王五=139", "", "李四=", "张三=138", "=137", "abc"});
    f->SortContacts(f->ValueListEditor1);
    // Pinyin order (wáng before zhāng), not code-point order.
    EXPECT_EQ(Contacts(), (QStringList{"王五=139", "张三=138"}));

    SetContacts({});
    f->SortContacts(f->ValueListEditor1);
    EXPECT_TRUE(Contacts().isEmpty());

    SetContacts({"b=2", "a=1", "b=2", "a=b=c", "B=2"});
    f->SortContacts(f->ValueListEditor1);
    EXPECT_EQ(Contacts(), (QStringList{"a=1", "a=b=c", "b=2", "b=2", "B=2"}));
    EXPECT_EQ(f->ValueListEditor1->Cells(0, 2), QStringLiteral("a"));
    EXPECT_EQ(f->ValueListEditor1->Cells(1, 2), QStringLiteral("b=c"));
}

TEST(MainWindowContacts, FindByNumberAndFindByText)
{
    MainWindow();
    SetContacts({"李四=13", "noeq", "空=", "张三=138", "王五=1 38"});
    struct Case {
        QString key;
        bool byNumber;
        bool found;
        int row;
    };
    const Case cases[] = {
        {"138", true, true, 4},
        {"13", true, true, 1},
        {"1 38", true, true, 5},
        {"38", true, false, 0},
        {"", true, false, 0},
        {"noeq", true, true, 2},
        {"空=", true, false, 0},
        {"3", false, true, 1},
        {"=", false, true, 1},
        {"张三=1", false, true, 4},
        {"", false, false, 0},
        {"xyz", false, false, 0},
    };
    for (const Case& c : cases) {
        int row = -7;
        const bool found = c.byNumber ? FindContactByNumber(c.key, row) : FindContact(c.key, row);
        EXPECT_EQ(found, c.found) << c.key.toStdString() << " byNumber=" << c.byNumber;
        EXPECT_EQ(row, c.found ? c.row : -7) << c.key.toStdString();
    }
}

TEST(MainWindowContacts, SelectingARowPutsItsNumberInTheDialEdit)
{
    TForm1* f = MainWindow();
    SetContacts({"张三=138", "noeq", "空="});
    f->Edit1->SetText("x");
    bool can = false;
    f->ValueListEditor1SelectCell(f, 0, 1, can);
    EXPECT_TRUE(can);
    EXPECT_EQ(f->Edit1->Text(), "138");
    f->ValueListEditor1SelectCell(f, 0, 3, can); // no number part: the edit keeps its text
    EXPECT_EQ(f->Edit1->Text(), "138");
    f->ValueListEditor1SelectCell(f, 0, 2, can); // a line without "=" is its own number
    EXPECT_EQ(f->Edit1->Text(), "noeq");
    f->ValueListEditor1SelectCell(f, 0, 0, can); // title row
    EXPECT_EQ(f->Edit1->Text(), "noeq");
    EXPECT_TRUE(can);
}

TEST(MainWindowContacts, DeleteWritesTheContactFileAtOnce)
{
    TForm1* f = MainWindow();
    f->Label1->SetCaption("alice");
    const QString folder = zuvi::os::accountFolder("alice");
    QDir(folder).removeRecursively();

    // "编辑" and "删除" with an empty dial edit do nothing.
    SetContacts({"张三=138", "李四=139"});
    f->Edit1->SetText("");
    f->N11Click(f->N11);
    f->N13Click(f->N13);
    EXPECT_EQ(Contacts().size(), 2);
    EXPECT_FALSE(QFile::exists(folder + "contact"));

    // A number that is no contact's: "编辑" finds nothing, "删除" takes the first line holding it.
    SetContacts({"李四=131", "张三=138", "王五=139"});
    f->Edit1->SetText("13");
    f->N11Click(f->N11);
    EXPECT_EQ(Contacts().size(), 3);
    f->N13Click(f->N13);
    EXPECT_EQ(Contacts(), (QStringList{"张三=138", "王五=139"}));
    zuvi::os::TextList expected;
    expected.lines = QStringList{"张三=138", "王五=139"};
    EXPECT_EQ(ReadFileBytes(folder + "contact"), expected.encode());

    // The selected contact's number in the dial edit deletes that contact, not an earlier line
    // that only contains the number.
    SetContacts({"张三=13900", "李四=139", "王五=1390"});
    f->ValueListEditor1->SetRow(2);
    ASSERT_EQ(f->Edit1->Text(), "139");
    f->N13Click(f->N13);
    EXPECT_EQ(Contacts(), (QStringList{"张三=13900", "王五=1390"}));

    // A list loaded from a UTF-8 file with its mark is written back the same way.
    WriteFileBytes(folder + "contact", "\xEF\xBB\xBF" + QStringLiteral("甲=1\r\n乙=2\r\n").toUtf8());
    f->ValueListEditor1->Strings()->LoadFromFile(folder + "contact");
    f->Edit1->SetText("2");
    f->N13Click(f->N13);
    EXPECT_EQ(ReadFileBytes(folder + "contact"), "\xEF\xBB\xBF" + QStringLiteral("甲=1\r\n").toUtf8());

    // Nobody logged in: the file goes into the data folder itself.
    f->Label1->SetCaption("");
    f->ValueListEditor1->Strings()->SetEncoding(zuvi::os::TextEncoding::Ansi);
    SetContacts({"甲=1", "乙=2"});
    f->Edit1->SetText("乙");
    f->N13Click(f->N13);
    EXPECT_EQ(ReadFileBytes(DataFile("contact")), "\xbc\xd7=1\r\n"); // 甲 in GBK
}

TEST(MainWindowContacts, MouseReleaseSelectsTheRowAndRightButtonOpensTheMenu)
{
    TForm1* f = MainWindow();
    f->ValueListEditor2->Hide();
    f->Show();
    QApplication::processEvents();
    TValueListEditor* list = f->ValueListEditor1;
    QWidget* viewport = list->Table()->viewport();

    SetContacts({"张三=138", "李四=139"});
    QApplication::processEvents();
    f->Edit1->SetText("");

    // Title row: nothing selected, no menu.
    f->ValueListEditor1MouseUp(list, mbRight, 0, RowPoint(list, 0).x(), RowPoint(list, 0).y());
    EXPECT_EQ(f->ClickedRow(), 0);
    EXPECT_TRUE(f->PopupMenu1->Menu() == nullptr || !f->PopupMenu1->Menu()->isVisible());
    EXPECT_EQ(f->Edit1->Text(), "");

    // Left release over row 2 selects it (its number into the dial edit), no menu.
    const QPoint row2 = RowPoint(list, 2);
    f->ValueListEditor1MouseUp(list, mbLeft, 0, row2.x(), row2.y());
    EXPECT_EQ(f->ClickedRow(), 2);
    EXPECT_EQ(list->Row(), 2);
    EXPECT_EQ(f->Edit1->Text(), "139");
    EXPECT_TRUE(f->PopupMenu1->Menu() == nullptr || !f->PopupMenu1->Menu()->isVisible());

    // A real right click over row 1 goes through the list's mouse-up event and opens the menu
    // at the pointer.
    const QPoint row1 = RowPoint(list, 1);
    const QPoint inViewport = viewport->mapFrom(list->Widget(), row1);
    QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, inViewport);
    QApplication::processEvents();
    EXPECT_EQ(f->ClickedRow(), 1);
    EXPECT_EQ(f->Edit1->Text(), "138");
    ASSERT_NE(f->PopupMenu1->Menu(), nullptr);
    EXPECT_TRUE(f->PopupMenu1->Menu()->isVisible());
    EXPECT_EQ(f->PopupMenu1->Menu()->pos(), list->Widget()->mapToGlobal(row1));
    CloseMenus();

    // Below the last row: nothing.
    f->ValueListEditor1MouseUp(list, mbRight, 0, 20, list->Height() - 2);
    EXPECT_EQ(f->ClickedRow(), -1);

    // An empty list shows one empty row; a right click on it opens the menu.
    SetContacts({});
    QApplication::processEvents();
    f->Edit1->SetText("555");
    f->ValueListEditor1MouseUp(list, mbRight, 0, RowPoint(list, 1).x(), RowPoint(list, 1).y());
    EXPECT_EQ(f->ClickedRow(), 1);
    ASSERT_NE(f->PopupMenu1->Menu(), nullptr);
    EXPECT_TRUE(f->PopupMenu1->Menu()->isVisible());
    EXPECT_EQ(f->Edit1->Text(), "555");
    CloseMenus();

    f->ValueListEditor2->Show();
    f->Hide();
}

TEST(MainWindowDialEdit, BackspaceButtonDeletesBeforeTheCaret)
{
    TForm1* f = MainWindow();
    f->Edit1->SetText("13812");
    f->Edit1->SetSelStart(5);
    f->ssSkinButton7Click(f->ssSkinButton7);
    QApplication::processEvents();
    EXPECT_EQ(f->Edit1->Text(), "1381");
    f->Edit1->SetSelStart(1);
    f->Edit1->SetSelLength(2);
    f->ssSkinButton7Click(f->ssSkinButton7);
    QApplication::processEvents();
    EXPECT_EQ(f->Edit1->Text(), "11");
}

// Enter (on release) in the dial edit and the contact menu's "呼叫" run the call button's handler,
// seen here by its number check.
TEST(MainWindowDialEdit, EnterAndCallEntryRunTheCallButton)
{
    TForm1* f = MainWindow();
    f->Show();
    QApplication::setActiveWindow(f->Widget());
    f->Edit1->SetFocus();
    QApplication::processEvents();
    f->Label13->SetCaption("");
    f->Edit1->SetText("abc");

    QTest::keyRelease(f->Edit1->LineEdit(), Qt::Key_A);
    QApplication::processEvents();
    EXPECT_EQ(f->Label13->Caption(), "");

    QTest::keyRelease(f->Edit1->LineEdit(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(f->Label13->Caption(), QStringLiteral("无效号码"));

    f->Label13->SetCaption("");
    f->N1Click(f->N1);
    EXPECT_EQ(f->Label13->Caption(), QStringLiteral("无效号码"));

    f->Timer7->SetEnabled(false);
    f->Label13->SetCaption("");
    f->Edit1->SetText("");
    f->Hide();
}

TEST(MainWindowSettings, VolumesFile)
{
    TForm1* f = MainWindow();
    struct Case {
        const char* name;
        QByteArray ini;
        int vol1;
        int vol2;
    };
    const Case cases[] = {
        {"nofile", QByteArray(), 10, 10},
        {"vol1only", "[vol1]\r\nzuvi=3\r\n", 3, 10},
        {"both", "[vol1]\r\nzuvi=0\r\n[vol2]\r\nzuvi=7\r\n", 0, 7},
        {"notanumber", "[vol1]\r\nzuvi=abc\r\n[vol2]\r\nzuvi=\r\n", 10, 10},
        {"outofrange", "[vol1]\r\nzuvi=15\r\n[vol2]\r\nzuvi=-2\r\n", 10, 0},
    };
    for (const Case& c : cases) {
        const QString account = QString::fromLatin1(c.name);
        if (!c.ini.isNull())
            WriteFileBytes(zuvi::os::accountFolder(account) + "zuvi.ini", c.ini);
        f->TrackBar1->SetPosition(5);
        f->TrackBar2->SetPosition(5);
        f->LoadUserSettings(account);
        EXPECT_EQ(f->CurrentUser(), account);
        EXPECT_EQ(f->TrackBar1->Position(), c.vol1) << c.name;
        EXPECT_EQ(f->TrackBar2->Position(), c.vol2) << c.name;
    }
    // The reader creates a missing account folder.
    EXPECT_TRUE(QDir(zuvi::os::accountFolder("nofile")).exists());
}

int main(int argc, char** argv)
{
    g_home = std::make_unique<TemporaryHome>();
    qputenv("ZUVI_SITE_ROOT", "http://127.0.0.1:9/site");
    TApplication app(argc, argv);
    SetResourceDir(QStringLiteral(ZUVI_TEST_BIN_DIR));
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    DestroySipStack();
    return rc;
}
