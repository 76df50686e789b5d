// UI layer tests: ownership, controls, timers, regions and the UI-thread hand-off.
#include "Components.h"
#include "Forms.h"
#include "Handoff.h"
#include "StdCtrls.h"

#include "../../../src/platform/os/Exception.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <atomic>
#include <thread>

using namespace zuvi::ui;

namespace {

void pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        Application->ProcessMessages();
        QTest::qWait(1);
    }
}

struct Tracked : TComponent {
    Tracked(TComponent* owner, std::vector<QString>* log, QString n)
        : TComponent(owner)
        , m_log(log)
    {
        SetName(n);
    }
    ~Tracked() override { m_log->push_back(Name()); }
    std::vector<QString>* m_log;
};

} // namespace

TEST(UiOwnership, OwnerDestroysInReverseCreationOrder)
{
    std::vector<QString> log;
    auto* owner = new TComponent(nullptr);
    new Tracked(owner, &log, "a");
    auto* b = new Tracked(owner, &log, "b");
    new Tracked(b, &log, "b1");
    new Tracked(owner, &log, "c");
    owner->Free();
    EXPECT_EQ(log, (std::vector<QString>{"c", "b", "b1", "a"})); // b logs in its own destructor, before its owned b1 goes
}

TEST(UiOwnership, FreedComponentLeavesItsOwner)
{
    std::vector<QString> log;
    TComponent owner(nullptr);
    auto* a = new Tracked(&owner, &log, "a");
    new Tracked(&owner, &log, "b");
    a->Free();
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.FindComponent("B")->Name(), "b");
}

TEST(UiOwnership, FormOnDestroySeesItsControlsAndOwnedFormsGoInReverse)
{
    std::vector<QString> log;
    {
        TComponent owner(nullptr);
        for (QString n : {"Form1", "Form3", "Form4"}) {
            auto* f = new TForm(&owner);
            f->SetName(n);
            auto* label = new TLabel(f);
            label->SetParent(f);
            label->SetCaption(n + "-label");
            f->OnDestroy = [&log, label, n](TObject*) { log.push_back(n + ":" + label->Caption()); };
        }
    }
    EXPECT_EQ(log, (std::vector<QString>{"Form4:Form4-label", "Form3:Form3-label", "Form1:Form1-label"}));
}

TEST(UiCheckBox, CodeSetsRaiseClickOnlyOnChange)
{
    TForm form(nullptr);
    auto* box = new TCheckBox(&form);
    box->SetParent(&form);
    int clicks = 0;
    box->OnClick = [&](TObject* s) {
        EXPECT_EQ(s, box);
        ++clicks;
    };
    box->SetChecked(false);
    EXPECT_EQ(clicks, 0);
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box->SetChecked(false);
    EXPECT_EQ(clicks, 2);
}

TEST(UiRadioButton, SiblingsExcludeEachOther)
{
    TForm form(nullptr);
    auto* a = new TRadioButton(&form);
    auto* b = new TRadioButton(&form);
    a->SetParent(&form);
    b->SetParent(&form);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_EQ(clicks, 1);
}

TEST(UiValueListEditor, RowsShowLinesSplitAtFirstEquals)
{
    TForm form(nullptr);
    auto* v = new TValueListEditor(&form);
    v->SetParent(&form);
    v->SetTitleCaptions({"姓名", "电话号码"});
    EXPECT_EQ(v->RowCount(), 2); // an empty list shows one empty row
    EXPECT_EQ(v->Cells(0, 1), "");
    v->Strings()->Assign({"张三=138", "a=b=c", "abc"});
    EXPECT_EQ(v->RowCount(), 4);
    struct Case {
        int col, row;
        QString text;
    };
    for (const Case& c : {Case{0, 0, "姓名"}, Case{1, 0, "电话号码"}, Case{0, 1, "张三"}, Case{1, 1, "138"},
             Case{0, 2, "a"}, Case{1, 2, "b=c"}, Case{0, 3, "abc"}, Case{1, 3, ""}})
        EXPECT_EQ(v->Cells(c.col, c.row), c.text) << c.col << "," << c.row;

    v->DeleteRow(1);
    EXPECT_EQ(v->Strings()->ToList(), (QStringList{"a=b=c", "abc"}));
    EXPECT_EQ(v->InsertRow("李四", "139", true), 3);
    EXPECT_EQ(v->Strings()->Strings(2), "李四=139");
}

TEST(UiValueListEditor, SelectCellOnRowChangeAndMouseToCell)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* v = new TValueListEditor(&form);
    v->SetParent(&form);
    v->SetBounds(0, 0, 250, 150);
    v->SetBorderStyle(bsNone);
    v->Strings()->Assign({"a=1", "b=2", "c=3"});
    std::vector<int> rows;
    v->OnSelectCell = [&](TObject*, int, int row, bool& can) { rows.push_back(row); can = true; };
    v->SetRow(2);
    v->SetRow(2);
    v->SetRow(9); // no such row
    EXPECT_EQ(rows, (std::vector<int>{2}));
    EXPECT_EQ(v->Row(), 2);
    form.Show();
    pump(20);

    int col = 0, row = 0;
    v->MouseToCell(5, 2, col, row);
    EXPECT_EQ(row, 0);
    QHeaderView* h = v->Table()->horizontalHeader();
    int rh = v->Table()->rowHeight(0);
    v->MouseToCell(5, h->height() + rh + rh / 2, col, row);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(col, 0);
    v->MouseToCell(5, h->height() + 3 * rh + 2, col, row);
    EXPECT_EQ(row, -1); // below the last row

    // A click on row 3 selects it and reports the row under the pointer on release.
    int upRow = -2;
    v->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int x, int y) {
        EXPECT_EQ(b, mbLeft);
        int c2;
        v->MouseToCell(x, y, c2, upRow);
    };
    QPoint inView(5, 2 * rh + rh / 2);
    QTest::mouseClick(v->Table()->viewport(), Qt::LeftButton, {}, inView);
    EXPECT_EQ(upRow, 3);
    EXPECT_EQ(v->Row(), 3);
    EXPECT_EQ(rows, (std::vector<int>{2, 3}));

    // A left click on the selected row raises the selection again; a right click does not.
    QTest::mouseClick(v->Table()->viewport(), Qt::LeftButton, {}, inView);
    EXPECT_EQ(rows, (std::vector<int>{2, 3, 3}));
    v->OnMouseUp = nullptr;
    QTest::mouseClick(v->Table()->viewport(), Qt::RightButton, {}, inView);
    EXPECT_EQ(rows, (std::vector<int>{2, 3, 3}));
    form.Hide();
}

TEST(UiTimer, OneShotHandlerRunsOnceAndDisabledNeverFires)
{
    TTimer t(nullptr);
    t.SetEnabled(false);
    t.SetInterval(10);
    int fired = 0;
    t.OnTimer = [&](TObject*) {
        t.SetEnabled(false);
        ++fired;
    };
    pump(40);
    EXPECT_EQ(fired, 0);
    t.SetEnabled(true);
    pump(80);
    EXPECT_EQ(fired, 1);
}

TEST(UiTimer, EnablingAnEnabledTimerDoesNotRestartIt)
{
    TTimer t(nullptr);
    t.SetEnabled(false);
    t.SetInterval(150);
    QElapsedTimer clock;
    qint64 firedAt = -1;
    t.OnTimer = [&](TObject*) {
        if (firedAt < 0)
            firedAt = clock.elapsed();
        t.SetEnabled(false);
    };
    clock.start();
    t.SetEnabled(true);
    pump(100);
    t.SetEnabled(true);
    pump(200);
    ASSERT_GE(firedAt, 0);
    EXPECT_LT(firedAt, 240); // 150 ms from the first enable, not 250 from the second
}

TEST(UiTimer, HandlerIsNotReenteredFromANestedLoop)
{
    TTimer t(nullptr);
    t.SetInterval(5);
    int depth = 0, maxDepth = 0, calls = 0;
    t.OnTimer = [&](TObject*) {
        ++calls;
        maxDepth = std::max(maxDepth, ++depth);
        if (calls == 1)
            pump(40);
        --depth;
        if (calls >= 2)
            t.SetEnabled(false);
    };
    pump(100);
    EXPECT_EQ(maxDepth, 1);
    EXPECT_GE(calls, 2);
}

namespace {
struct Box : TCustomControl {
    using TCustomControl::TCustomControl;
    int downs = 0;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override
    {
        ++downs;
        TCustomControl::MouseDown(b, s, x, y);
    }
};
} // namespace

TEST(UiRegion, MouseOutsideTheRegionFallsThrough)
{
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(50, 50, 100, 100);
    int formDowns = 0;
    form.OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++formDowns; };
    auto* box = new Box(&form);
    box->SetParent(&form);
    box->SetBounds(0, 0, 60, 60);
    TRegion r = TRegion::FromRect(0, 0, 30, 60); // left half only
    box->SetWindowRegion(&r);
    form.Show();
    pump(20);
    QWindow* win = form.Widget()->windowHandle();
    ASSERT_NE(win, nullptr);
    QTest::mouseClick(win, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(box->downs, 1);
    EXPECT_EQ(formDowns, 0);
    QTest::mouseClick(win, Qt::LeftButton, {}, QPoint(45, 10)); // cut out of the box
    EXPECT_EQ(box->downs, 1);
    EXPECT_EQ(formDowns, 1);
    box->SetWindowRegion(nullptr);
    QTest::mouseClick(win, Qt::LeftButton, {}, QPoint(45, 10));
    EXPECT_EQ(box->downs, 2);
    form.Hide();
}

TEST(UiRegion, RegionFromRectanglesAndFormMask)
{
    TRegion r = TRegion::FromRect(0, 0, 3, 1);
    r.Unite(TRegion::FromRect(5, 0, 6, 1));
    r.Unite(TRegion::FromRect(0, 1, 0, 2)); // empty rectangle adds nothing
    EXPECT_TRUE(r.Contains(2, 0));
    EXPECT_FALSE(r.Contains(3, 0));
    EXPECT_TRUE(r.Contains(5, 0));
    EXPECT_EQ(r.BoundingRect(), (TRect{0, 0, 6, 1}));
    TForm form(nullptr);
    form.SetWindowRegion(&r);
    EXPECT_EQ(form.Widget()->mask(), r.Region());
}

TEST(UiHandoff, PostsFromManyThreadsRunInOrderPerThreadOnTheUiThread)
{
    constexpr int kThreads = 4, kEach = 200;
    std::vector<std::vector<int>> seen(kThreads);
    std::atomic<int> offThread{0};
    std::vector<std::thread> threads;
    auto ui = std::this_thread::get_id();
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                post([&, t, i] {
                    if (std::this_thread::get_id() != ui)
                        ++offThread;
                    seen[t].push_back(i);
                });
        });
    for (auto& th : threads)
        th.join();
    pump(50);
    for (int t = 0; t < kThreads; ++t) {
        ASSERT_EQ(int(seen[t].size()), kEach);
        for (int i = 0; i < kEach; ++i)
            ASSERT_EQ(seen[t][i], i);
    }
    EXPECT_EQ(offThread, 0);
}

TEST(UiHandoff, SendWaitsKeepsOrderWithPostsAndRunsAtOnceOnUiThread)
{
    std::vector<int> order;
    bool ran = false;
    send([&] { ran = true; });
    EXPECT_TRUE(ran); // on the UI thread: at once

    std::atomic<bool> finished{false};
    std::thread worker([&] {
        post([&] { order.push_back(1); });
        send([&] { order.push_back(2); });
        order.push_back(3); // the UI thread is parked in serveUntil meanwhile
        finished = true;
    });
    // The UI thread waits for the worker without deadlocking its send().
    serveUntil([&] { return finished.load(); });
    worker.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(UiHandoff, SendRethrowsInTheCaller)
{
    std::atomic<bool> caught{false};
    std::thread worker([&] {
        try {
            send([] { throw zuvi::Exception("boom"); });
        } catch (const zuvi::Exception& e) {
            caught = e.message() == "boom";
        }
    });
    serveUntil([&] { return caught.load(); });
    worker.join();
    EXPECT_TRUE(caught);
}

TEST(UiErrors, EscapingExceptionIsShownAndProgramGoesOn)
{
    QTemporaryDir dir;
    QString log = dir.filePath("msg.log");
    qputenv("ZUVI_MSGBOX_LOG", log.toLocal8Bit());
    post([] { throw zuvi::Exception("文件无法写入"); });
    bool after = false;
    post([&] { after = true; });
    pump(30);
    qunsetenv("ZUVI_MSGBOX_LOG");
    EXPECT_TRUE(after);
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), "文件无法写入\n");
}

TEST(UiErrors, ErrorInOnCreateIsShownAndTheFormIsCreated)
{
    QTemporaryDir dir;
    QString log = dir.filePath("msg.log");
    qputenv("ZUVI_MSGBOX_LOG", log.toLocal8Bit());
    struct FailingForm : TForm {
        explicit FailingForm(TComponent* o)
            : TForm(o)
        {
            OnCreate = [](TObject*) { throw zuvi::Exception("横幅图片无效"); };
        }
    };
    FailingForm* form = nullptr;
    CreateForm(&form, nullptr);
    qunsetenv("ZUVI_MSGBOX_LOG");
    ASSERT_NE(form, nullptr);
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), "横幅图片无效\n");
    form->Free();
}

TEST(UiEdit, PasswordCharAndBackspaceAsTypedCharacter)
{
    TForm form(nullptr);
    auto* e = new TEdit(&form);
    e->SetParent(&form);
    e->SetPasswordChar(u'*');
    EXPECT_EQ(e->LineEdit()->echoMode(), QLineEdit::Password);
    e->SetPasswordChar(0);
    e->SetText("13800");
    std::vector<int> presses, downs;
    e->OnKeyPress = [&](TObject*, char16_t& k) { presses.push_back(k); };
    e->OnKeyDown = [&](TObject*, WORD& k, TShiftState) { downs.push_back(k); };
    e->LineEdit()->setCursorPosition(5);
    e->PostKeyChar(8);
    pump(10);
    EXPECT_EQ(e->Text(), "1380");
    EXPECT_EQ(presses, (std::vector<int>{8}));
    EXPECT_TRUE(downs.empty());
}

TEST(UiEdit, KeyUpCarriesWindowsKeyCodes)
{
    TForm form(nullptr);
    auto* e = new TEdit(&form);
    e->SetParent(&form);
    std::vector<int> ups;
    e->OnKeyUp = [&](TObject*, WORD& k, TShiftState) { ups.push_back(k); };
    QTest::keyClick(e->LineEdit(), Qt::Key_Return);
    QTest::keyClick(e->LineEdit(), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(e->LineEdit(), Qt::Key_A);
    QTest::keyClick(e->LineEdit(), Qt::Key_5);
    EXPECT_EQ(ups, (std::vector<int>{13, 13, 65, 53}));
}

TEST(UiForm, ModalResultEndsShowModalAndCloseCancels)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 50, 50);
    post([&] { form.SetModalResult(mrOk); });
    EXPECT_EQ(form.ShowModal(), mrOk);
    EXPECT_FALSE(form.Visible());
    post([&] { form.Close(); });
    EXPECT_EQ(form.ShowModal(), mrCancel);
}

TEST(UiForm, CloseHidesAndRaisesOnCloseShowRaisesOnShow)
{
    TForm form(nullptr);
    int shows = 0, closes = 0;
    form.OnShow = [&](TObject*) { ++shows; };
    form.OnClose = [&](TObject*, TCloseAction& a) {
        ++closes;
        EXPECT_EQ(a, caHide);
    };
    form.Show();
    form.Show();
    EXPECT_EQ(shows, 1);
    form.Close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(form.Visible());
    EXPECT_FALSE(form.Widget()->isVisible());
}

TEST(UiForm, CentredOnDesktopAndOnMainForm)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 100, 60);
    form.SetPosition(poScreenCenter);
    form.Show();
    TRect area = Screen->ScreenRect();
    EXPECT_EQ(form.Left(), area.Left + (area.Width() - 100) / 2);
    EXPECT_EQ(form.Top(), area.Top + (area.Height() - 60) / 2);
    form.SetLeft(5);
    form.Hide();
    form.Show(); // centred at the first show only
    EXPECT_EQ(form.Left(), 5);
    form.Hide();

    TForm* main = nullptr;
    Application->CreateForm(&main);
    main->SetBounds(200, 100, 300, 200);
    TForm dialog(nullptr);
    dialog.SetBounds(0, 0, 100, 50);
    dialog.SetPosition(poMainFormCenter);
    dialog.Show();
    EXPECT_EQ(dialog.Left(), 200 + (300 - 100) / 2);
    EXPECT_EQ(dialog.Top(), 100 + (200 - 50) / 2);
    dialog.Hide();
    main->SetLeft(400);
    dialog.Show(); // centred over the main form at every show
    EXPECT_EQ(dialog.Left(), 400 + (300 - 100) / 2);
    dialog.Hide();
    main->Free();
    EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST(UiLabel, AutoSizeFollowsCaption)
{
    TForm form(nullptr);
    auto* l = new TLabel(&form);
    l->SetParent(&form);
    l->SetCaption("余额：");
    int w1 = l->Width();
    l->SetCaption("余额：12345");
    EXPECT_GT(l->Width(), w1);
    l->SetAutoSize(false);
    l->SetBounds(0, 0, 50, 20);
    l->SetCaption("a much longer caption");
    EXPECT_EQ(l->Width(), 50);
}

// Captions wrap only at blanks: leading blanks push a Chinese word whole onto the next line.
TEST(UiLabel, WordWrapBreaksOnlyAtBlanks)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(11);
    QFontMetrics fm(f);
    const QString tab = QString(17, QLatin1Char(' ')) + QStringLiteral("通讯录");
    const QStringList lines = WrapAtBlanks(fm, tab, 60);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1], QStringLiteral("通讯录"));
    EXPECT_EQ(WrapAtBlanks(fm, QStringLiteral("通讯录通讯录通讯录"), 10),
        QStringList{QStringLiteral("通讯录通讯录通讯录")});
    EXPECT_EQ(WrapAtBlanks(fm, QStringLiteral("ab cd"), 1000), QStringList{QStringLiteral("ab cd")});
    EXPECT_EQ(WrapAtBlanks(fm, QStringLiteral("ab\ncd"), 1000).size(), 2);
    EXPECT_EQ(WrapAtBlanks(fm, QString(), 60), QStringList{QString()});
}

TEST(UiCanvas, PixelsBitBltAndEightBitBitmaps)
{
    QTemporaryDir dir;
    QImage img(4, 2, QImage::Format_Indexed8);
    img.setColorTable({qRgb(255, 0, 255), qRgb(10, 20, 30)});
    img.fill(0);
    img.setPixel(3, 1, 1);
    QString path = dir.filePath("p8.bmp");
    ASSERT_TRUE(img.save(path, "BMP"));
    TBitmap b;
    b.LoadFromFile(path);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(b.Canvas()->Pixel(0, 0), clFuchsia);
    EXPECT_EQ(b.Canvas()->Pixel(3, 1), RGB(10, 20, 30));
    EXPECT_EQ(b.Canvas()->Pixel(4, 0), clNone);

    TBitmap dst;
    dst.SetSize(2, 2);
    dst.Canvas()->BitBlt(0, 0, 2, 2, b, 2, 0);
    EXPECT_EQ(dst.Canvas()->Pixel(1, 1), RGB(10, 20, 30));
    EXPECT_EQ(dst.Canvas()->Pixel(0, 0), clFuchsia);
    dst.Canvas()->Brush.Color = clBlack;
    dst.Canvas()->FrameRect(dst.Canvas()->Pixel(0, 0) == clFuchsia ? TRect{0, 0, 2, 2} : TRect{});
    EXPECT_EQ(dst.Canvas()->Pixel(1, 1), clBlack);

    EXPECT_THROW(b.LoadFromFile(dir.filePath("missing.bmp")), zuvi::Exception);
    QFile bad(dir.filePath("bad.jpg"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a jpeg");
    bad.close();
    TJPEGImage j;
    EXPECT_THROW(j.LoadFromFile(bad.fileName()), zuvi::Exception);
}

// A 24-bit BMP of one colour, written by hand: Qt's writer loads every image-format plugin.
static void writeBmp(const QString& path, int w, int h, QRgb c)
{
    const int row = (w * 3 + 3) & ~3;
    QByteArray b;
    const auto put = [&b](quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b.append(char((v >> (8 * i)) & 0xff));
    };
    b.append("BM");
    put(quint32(54 + row * h), 4);
    put(0, 4);
    put(54, 4);
    for (quint32 v : {40u, quint32(w), quint32(h)})
        put(v, 4);
    put(1, 2);
    put(24, 2);
    for (quint32 v : {0u, quint32(row * h), 2835u, 2835u, 0u, 0u})
        put(v, 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x)
            put(quint32(qBlue(c) | qGreen(c) << 8 | qRed(c) << 16), 3);
        b.append(QByteArray(row - w * 3, 0));
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
}

// BMP files are read without loading an image-format plugin, and data that only starts like one
// fails there; other data still goes by content.
TEST(UiBitmap, BmpFilesSkipThePluginProbe)
{
    const auto pluginLoaded = [] {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
    };
    if (pluginLoaded())
        GTEST_SKIP() << "an earlier test in this process loaded an image-format plugin";
    QTemporaryDir dir;
    const QString bmp = dir.filePath("a.bmp");
    writeBmp(bmp, 3, 2, qRgb(1, 2, 3));
    TBitmap b;
    b.LoadFromFile(bmp);
    TPicture picture;
    picture.LoadFromFile(bmp);
    TImageList list(nullptr);
    list.AddFromFile(bmp);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(picture.Bitmap()->Canvas()->Pixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(list.Count(), 1);
    QFile fake(dir.filePath("fake.bmp"));
    ASSERT_TRUE(fake.open(QIODevice::WriteOnly));
    fake.write("BMnot a bitmap at all");
    fake.close();
    EXPECT_THROW(b.LoadFromFile(fake.fileName()), zuvi::Exception);
    EXPECT_THROW(picture.LoadFromFile(fake.fileName()), zuvi::Exception);
    EXPECT_FALSE(pluginLoaded());

    // A PNG is no BMP, though a picture takes it; a JPEG reads as one.
    QImage img(3, 2, QImage::Format_RGB32);
    img.fill(qRgb(1, 2, 3));
    const QString png = dir.filePath("png.bmp");
    ASSERT_TRUE(img.save(png, "PNG"));
    EXPECT_THROW(b.LoadFromFile(png), zuvi::Exception);
    picture.LoadFromFile(png);
    EXPECT_EQ(picture.Bitmap()->Width(), 3);
    const QString jpg = dir.filePath("a.jpg");
    ASSERT_TRUE(img.save(jpg, "JPEG"));
    TJPEGImage j;
    j.LoadFromFile(jpg);
    EXPECT_EQ(j.Height(), 2);
}

// Dropped pixels of a file's picture are read again at the next use (here from a file rewritten
// meanwhile, which shows the read); pictures changed since their read, or copies, keep theirs.
TEST(UiBitmap, DroppedFilePixelsAreReadAgainAtTheirNextUse)
{
    QTemporaryDir dir;
    const auto save = [&](const QString& name, QRgb colour, int w = 3) {
        QImage img(w, 2, QImage::Format_RGB32);
        img.fill(colour);
        const QString path = dir.filePath(name);
        EXPECT_TRUE(img.save(path, "BMP"));
        return path;
    };
    const QString path = save("a.bmp", qRgb(10, 20, 30));
    TBitmap read, drawn;
    read.LoadFromFile(path);
    drawn.LoadFromFile(path);
    drawn.Canvas()->SetPixel(0, 0, clRed);
    TPicture picture;
    picture.LoadFromFile(path);
    const TBitmap copy(read);
    const QString gonePath = save("gone.bmp", qRgb(1, 2, 3));
    TBitmap gone, resized;
    gone.LoadFromFile(gonePath);
    resized.LoadFromFile(gonePath);
    {
        TBitmap destroyed;
        destroyed.LoadFromFile(path);
    }

    TBitmap::DropFilePixels();
    save("a.bmp", qRgb(200, 100, 50));
    EXPECT_EQ(read.Width(), 3);
    EXPECT_EQ(read.Height(), 2);
    EXPECT_FALSE(read.Empty());
    EXPECT_EQ(read.Image().pixel(2, 1), qRgb(200, 100, 50));
    EXPECT_EQ(picture.Graphic()->Image().pixel(0, 0), qRgb(200, 100, 50));
    EXPECT_EQ(drawn.Canvas()->Pixel(0, 0), clRed);
    EXPECT_EQ(drawn.Canvas()->Pixel(1, 0), RGB(10, 20, 30));
    EXPECT_EQ(copy.Image().pixel(0, 0), qRgb(10, 20, 30));
    // A file gone or of another size since leaves no picture rather than another one.
    QFile::remove(gonePath);
    EXPECT_TRUE(gone.Image().isNull());
    EXPECT_TRUE(gone.Empty());
    TBitmap::DropFilePixels(); // the bitmaps read again are dropped again
    save("gone.bmp", qRgb(1, 2, 3), 4);
    EXPECT_TRUE(resized.Image().isNull());
    EXPECT_EQ(read.Image().pixel(0, 0), qRgb(200, 100, 50));
}

TEST(UiMenu, PopupBuildsItemsAndChoosingRaisesClick)
{
    TPopupMenu menu(nullptr);
    auto* a = new TMenuItem(&menu);
    a->SetCaption("呼叫");
    auto* sep = new TMenuItem(&menu);
    sep->SetCaption("-");
    auto* b = new TMenuItem(&menu);
    b->SetCaption("删除");
    menu.Items()->Add(a);
    menu.Items()->Add(sep);
    menu.Items()->Add(b);
    int clicked = 0;
    b->OnClick = [&](TObject* s) { clicked += s == b; };
    menu.Popup(10, 10);
    ASSERT_NE(menu.Menu(), nullptr);
    auto actions = menu.Menu()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_TRUE(actions[1]->isSeparator());
    actions[2]->trigger();
    EXPECT_EQ(clicked, 1);
    menu.Menu()->hide();
}

TEST(UiTrayIcon, IconIndexPicksFromImageList)
{
    TTrayIcon tray(nullptr);
    TImageList list(nullptr);
    QPixmap red(16, 16), green(16, 16);
    red.fill(Qt::red);
    green.fill(Qt::green);
    list.AddIcon(QIcon(red));
    list.AddIcon(QIcon(green));
    tray.SetImages(&list);
    tray.SetIconIndex(1);
    tray.SetVisible(true);
    EXPECT_EQ(tray.CurrentIcon().pixmap(16, 16).toImage().pixel(1, 1), QColor(Qt::green).rgb());
    int dbl = 0;
    tray.OnDblClick = [&](TObject*) { ++dbl; };
    tray.DblClick();
    EXPECT_EQ(dbl, 1);
}

TEST(UiComboBox, KeyUpOnceItemsTextAndChange)
{
    TForm form(nullptr);
    auto* c = new TComboBox(&form);
    c->SetParent(&form);
    c->Items()->Assign({"13800000000", "abc"});
    int changes = 0;
    c->OnChange = [&](TObject*) { ++changes; };
    c->SetText("abc");
    EXPECT_EQ(c->Text(), "abc");
    EXPECT_EQ(c->ComboBox()->count(), 2);
    std::vector<int> ups;
    c->OnKeyUp = [&](TObject*, WORD& k, TShiftState) { ups.push_back(k); };
    QTest::keyClick(c->ComboBox(), Qt::Key_X);
    QTest::keyClick(c->ComboBox(), Qt::Key_Return);
    EXPECT_EQ(ups, (std::vector<int>{88, 13}));
    EXPECT_EQ(c->Text(), "abcx");
    EXPECT_GE(changes, 1);
}

TEST(UiFont, ControlsFollowTheirParentsFontUntilTheyGetTheirOwn)
{
    TForm form(nullptr);
    form.Font().Height = 19;
    form.FontChanged();
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* a = new TLabel(&form);
    auto* b = new TLabel(&form);
    a->SetParent(panel);
    b->SetParent(panel);
    b->Font().Color = clRed;
    b->FontChanged();
    EXPECT_EQ(a->Font().Height, 19);
    form.Font().Name = "SimSun";
    form.FontChanged();
    EXPECT_EQ(a->Font().Name, "SimSun");
    EXPECT_EQ(b->Font().Name, "Tahoma");
    EXPECT_EQ(b->Font().Color, clRed);
}

TEST(UiStrings, ListFileRoundTripKeepsItsEncoding)
{
    QTemporaryDir dir;
    QString path = dir.filePath("contact");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBF"
            "\xE5\xBC\xA0\xE4\xB8\x89=138\r\n"); // UTF-8 with mark: 张三=138
    f.close();
    TStringList list;
    list.LoadFromFile(path);
    EXPECT_EQ(list.ToList(), QStringList{"张三=138"});
    list.Add("李四=139");
    list.SaveToFile(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("\xEF\xBB\xBF"
                                      "\xE5\xBC\xA0\xE4\xB8\x89=138\r\n"
                                      "\xE6\x9D\x8E\xE5\x9B\x9B=139\r\n"));
    EXPECT_THROW(list.LoadFromFile(dir.filePath("missing")), zuvi::Exception);
}

TEST(UiHandoff, PostedClosuresRunWhileAnEarlierOneShowsAModalForm)
{
    TForm dialog(nullptr);
    std::vector<int> order;
    post([&] {
        order.push_back(1);
        dialog.ShowModal(); // the next closure ends it from inside this modal loop
        order.push_back(3);
    });
    post([&] {
        order.push_back(2);
        dialog.SetModalResult(mrOk);
    });
    pump(50);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(UiImage, TransparentBitmapDropsItsBottomLeftColourButJpegIsOpaque)
{
    QTemporaryDir dir;
    QImage img(4, 4, QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 255));
    img.setPixel(1, 1, qRgb(0, 0, 0));
    ASSERT_TRUE(img.save(dir.filePath("a.bmp"), "BMP"));
    ASSERT_TRUE(img.save(dir.filePath("a.jpg"), "JPEG"));
    TForm form(nullptr);
    form.SetColor(clWhite);
    form.SetBounds(0, 0, 20, 10);
    auto* bmp = new TImage(&form);
    auto* jpg = new TImage(&form);
    bmp->SetParent(&form);
    jpg->SetParent(&form);
    bmp->SetBounds(0, 0, 4, 4);
    jpg->SetBounds(10, 0, 4, 4);
    bmp->Picture()->LoadFromFile(dir.filePath("a.bmp"));
    jpg->Picture()->LoadFromFile(dir.filePath("a.jpg"));
    bmp->SetTransparent(true);
    jpg->SetTransparent(true);
    EXPECT_FALSE(bmp->Picture()->Graphic()->IsJpeg());
    EXPECT_TRUE(jpg->Picture()->Graphic()->IsJpeg());
    QImage shot = form.Widget()->grab().toImage();
    EXPECT_EQ(shot.pixel(0, 0), qRgb(255, 255, 255)); // cut out: the form shows
    EXPECT_EQ(shot.pixel(1, 1), qRgb(0, 0, 0));
    QColor j = shot.pixelColor(12, 3);
    EXPECT_GT(j.red(), 200);
    EXPECT_LT(j.green(), 60);
}

namespace {
struct DragHandle : TCustomControl {
    using TCustomControl::TCustomControl;
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override
    {
        TCustomControl::MouseDown(b, s, x, y);
        GetParentForm()->BeginDrag();
    }
};
} // namespace

TEST(UiForm, DragFromAPressMovesTheFormUntilRelease)
{
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(100, 100, 80, 80);
    auto* handle = new DragHandle(&form);
    handle->SetParent(&form);
    handle->SetBounds(0, 0, 80, 80);
    form.Show();
    pump(20);
    QWindow* win = form.Widget()->windowHandle();
    ASSERT_NE(win, nullptr);
    QTest::mousePress(win, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(win, QPoint(30, 25));
    pump(20);
    EXPECT_EQ(form.Widget()->pos(), QPoint(120, 115));
    EXPECT_EQ(form.Left(), 120);
    EXPECT_EQ(form.Top(), 115);
    QTest::mouseRelease(win, Qt::LeftButton, {}, QPoint(10, 10)); // the pointer stayed at the moved form's (10, 10)
    pump(20);
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 50), QPointF(300, 300), Qt::NoButton, Qt::NoButton, {});
    QApplication::sendEvent(handle->Widget(), &move);
    pump(20);
    EXPECT_EQ(form.Widget()->pos(), QPoint(120, 115)); // no longer follows
    form.Hide();
}

TEST(UiStrings, NamesAndValuesSplitAtTheFirstEquals)
{
    TStringList l;
    l.Assign({"张三=138", "a=b=c", "abc", "=137", "李四="});
    struct Case {
        int i;
        QString name, value;
    };
    for (const Case& c : {Case{0, "张三", "138"}, Case{1, "a", "b=c"}, Case{2, "", ""}, Case{3, "", "137"}, Case{4, "李四", ""}}) {
        EXPECT_EQ(l.Names(c.i), c.name) << c.i;
        EXPECT_EQ(l.ValueFromIndex(c.i), c.value) << c.i;
    }
    EXPECT_EQ(l.Values("A"), "b=c");
    EXPECT_EQ(l.Text(), "张三=138\r\na=b=c\r\nabc\r\n=137\r\n李四=\r\n");
    int changes = 0;
    l.OnChange = [&] { ++changes; };
    l.BeginUpdate();
    l.Add("x");
    l.Delete(0);
    l.EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_THROW(l.Delete(99), zuvi::Exception);
}

TEST(UiForm, TopMostKeepsAVisibleFormShownWithItsRegion)
{
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(10, 10, 40, 40);
    TRegion r = TRegion::FromRect(0, 0, 20, 20);
    form.SetWindowRegion(&r);
    form.Show();
    form.SetTopMost(true);
    EXPECT_TRUE(form.Widget()->isVisible());
    EXPECT_TRUE(form.Widget()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.Widget()->mask(), r.Region());
    form.SetWindowState(wsMinimized);
    EXPECT_EQ(form.WindowState(), wsMinimized);
    form.SetWindowState(wsNormal);
    EXPECT_EQ(form.WindowState(), wsNormal);
    form.Hide();
}

TEST(UiMouse, GraphicControlClickOnReleaseInsideAndDoubleClick)
{
    TForm form(nullptr);
    form.SetBounds(0, 0, 100, 100);
    auto* img = new TImage(&form);
    img->SetParent(&form);
    img->SetBounds(10, 10, 40, 40);
    std::vector<QString> log;
    img->OnClick = [&](TObject*) { log.push_back("click"); };
    img->OnDblClick = [&](TObject*) { log.push_back("dbl"); };
    img->OnMouseDown = [&](TObject*, TMouseButton, TShiftState s, int x, int y) {
        log.push_back(QString("down%1 %2,%3").arg(s & ssDouble ? "2" : "").arg(x).arg(y));
    };
    img->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { log.push_back("up"); };
    form.Show();
    pump(10);
    QWidget* w = img->Widget();
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(5, 6));
    EXPECT_EQ(log, (std::vector<QString>{"down 5,6", "click", "up"}));
    log.clear();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 6));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(60, 6)); // released outside: no click
    EXPECT_EQ(log, (std::vector<QString>{"down 5,6", "up"}));
    log.clear();
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(5, 6), w->mapToGlobal(QPointF(5, 6)), Qt::LeftButton,
        Qt::LeftButton, {});
    QApplication::sendEvent(w, &dbl);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(5, 6), w->mapToGlobal(QPointF(5, 6)), Qt::LeftButton,
        Qt::NoButton, {});
    QApplication::sendEvent(w, &up);
    EXPECT_EQ(log, (std::vector<QString>{"dbl", "down2 5,6", "up"})); // no click after a double click
    form.Hide();
}
