// UI layer tests: modal loops leave the notification-area icon and later forms usable; the icon's clicks.
#include "Components.h"
#include "Forms.h"
#include "Handoff.h"
#include "StdCtrls.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <memory>

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

// A form with a picture that counts the presses it gets and an edit box.
struct ClickForm {
    explicit ClickForm(int left)
        : form(std::make_unique<TForm>(nullptr))
    {
        form->SetBounds(left, 0, 80, 80);
        img = new TImage(form.get());
        img->SetParent(form.get());
        img->SetBounds(0, 0, 40, 40);
        img->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) { ++presses; };
        edit = new TEdit(form.get());
        edit->SetParent(form.get());
        edit->SetBounds(0, 50, 80, 20);
    }
    // Presses and types into the form as the window system would; true when both arrived.
    bool takesInput()
    {
        const int before = presses;
        const QString text = edit->Text();
        QWindow* win = form->Widget()->windowHandle();
        QTest::mouseClick(win, Qt::LeftButton, {}, QPoint(5, 5));
        edit->LineEdit()->setFocus();
        QTest::keyClick(win, Qt::Key_A);
        const bool pressed = presses == before + 1, typed = edit->Text() != text;
        EXPECT_EQ(pressed, typed) << "mouse and keyboard disagree";
        return pressed && typed;
    }
    std::unique_ptr<TForm> form;
    TImage* img = nullptr;
    TEdit* edit = nullptr;
    int presses = 0;
};

} // namespace

TEST(UiModal, FormsOnScreenAreBlockedUntilTheLoopEndsFormsShownMeanwhileAreNot)
{
    ClickForm main(0), modal(100), later(200), inner(300);
    main.form->Show();
    pump(10);
    ASSERT_TRUE(main.takesInput());
    bool checked = false;
    post([&] {
        EXPECT_FALSE(main.takesInput()) << "a form on screen when the loop began";
        EXPECT_TRUE(modal.takesInput()) << "the modal form itself";
        later.form->Show(); // e.g. a dialog opened from the tray icon's menu
        pump(10);
        EXPECT_TRUE(later.takesInput()) << "a form shown during the loop";
        post([&] {
            // The nested loop blocks the outer modal form and the form shown before it.
            EXPECT_TRUE(inner.takesInput());
            EXPECT_FALSE(modal.takesInput());
            EXPECT_FALSE(later.takesInput());
            EXPECT_FALSE(main.takesInput());
            inner.form->SetModalResult(mrOk);
        });
        EXPECT_EQ(inner.form->ShowModal(), mrOk);
        EXPECT_FALSE(inner.form->Visible());
        EXPECT_TRUE(modal.takesInput()) << "the outer modal form after the nested loop";
        EXPECT_TRUE(later.takesInput());
        EXPECT_FALSE(main.takesInput()) << "still blocked by the outer loop";
        checked = true;
        modal.form->SetModalResult(mrYes);
    });
    EXPECT_EQ(modal.form->ShowModal(), mrYes);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(modal.form->Visible());
    EXPECT_TRUE(main.takesInput()) << "restored after the loop";
    EXPECT_TRUE(later.takesInput());
    EXPECT_TRUE(main.edit->Enabled());
    EXPECT_TRUE(main.form->Widget()->isEnabled());
}

TEST(UiModal, TrayIconMenuWorksWhileAFormIsModal)
{
    ClickForm login(0), settings(100);
    TTrayIcon tray(nullptr);
    QPixmap pic(16, 16);
    pic.fill(Qt::blue);
    tray.Icon()->SetIcon(QIcon(pic));
    TPopupMenu menu(nullptr);
    auto* item = new TMenuItem(&menu);
    item->SetCaption(QStringLiteral("系统设置"));
    item->OnClick = [&](TObject*) { settings.form->Show(); };
    menu.Items()->Add(item);
    tray.SetPopupMenu(&menu);
    tray.SetVisible(true);
    post([&] {
        QMenu* m = tray.SystemTrayIcon()->contextMenu();
        ASSERT_NE(m, nullptr);
        m->popup(QPoint(300, 300));
        pump(20);
        ASSERT_EQ(m->actions().size(), 1);
        QTest::mouseClick(m->windowHandle(), Qt::LeftButton, {}, m->actionGeometry(m->actions()[0]).center());
        pump(20);
        EXPECT_TRUE(settings.form->Visible()) << "the menu item was chosen";
        EXPECT_TRUE(settings.takesInput());
        EXPECT_TRUE(login.takesInput());
        login.form->SetModalResult(mrOk);
    });
    EXPECT_EQ(login.form->ShowModal(), mrOk);
    settings.form->Hide();
}

// Qt reports a double click on a StatusNotifier host as two single activations, on an XEmbed
// tray as a single activation per press followed by a double-click activation.
TEST(UiTrayIcon, ActivationsMakeExactlyOneDoubleClickOnEitherKindOfTray)
{
    constexpr int T = QSystemTrayIcon::Trigger, D = QSystemTrayIcon::DoubleClick, Pause = -1;
    struct Case {
        const char* name;
        std::vector<int> steps;
        int clicks, doubles;
    };
    const Case cases[] = {
        {"StatusNotifier double click", {T, T}, 2, 1},
        {"XEmbed double click", {T, T, D}, 2, 1},
        {"double-click activation after one press", {T, D}, 1, 1},
        {"double-click activation alone", {D}, 0, 1},
        {"two StatusNotifier double clicks", {T, T, T, T}, 4, 2},
        {"two XEmbed double clicks", {T, T, D, T, T, D}, 4, 2},
        {"triple click", {T, T, T}, 3, 1},
        {"clicks further apart than the interval", {T, Pause, T}, 2, 0},
        {"late double-click activation", {T, T, Pause, D}, 2, 2},
        {"single click", {T}, 1, 0},
    };
    const int savedInterval = QApplication::doubleClickInterval();
    QApplication::setDoubleClickInterval(40);
    for (const Case& c : cases) {
        TTrayIcon tray(nullptr);
        int clicks = 0, doubles = 0;
        tray.OnClick = [&](TObject* s) { clicks += s == &tray; };
        tray.OnDblClick = [&](TObject* s) { doubles += s == &tray; };
        for (int step : c.steps) {
            if (step == Pause)
                pump(80);
            else
                emit tray.SystemTrayIcon()->activated(QSystemTrayIcon::ActivationReason(step));
        }
        EXPECT_EQ(clicks, c.clicks) << c.name;
        EXPECT_EQ(doubles, c.doubles) << c.name;
    }
    QApplication::setDoubleClickInterval(savedInterval);
}

// Without a tray (the tray starts later) the icon is shown all the same, so that it docks once
// a tray appears.
TEST(UiTrayIcon, VisibleIconWithAPictureIsShownWithoutATray)
{
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    TTrayIcon tray(nullptr);
    tray.SetVisible(true);
    EXPECT_FALSE(tray.SystemTrayIcon()->isVisible()) << "no picture yet";
    QPixmap pic(16, 16);
    pic.fill(Qt::red);
    tray.Icon()->SetIcon(QIcon(pic));
    tray.IconChanged();
    EXPECT_TRUE(tray.SystemTrayIcon()->isVisible());
    tray.SetVisible(false);
    EXPECT_FALSE(tray.SystemTrayIcon()->isVisible());
}
