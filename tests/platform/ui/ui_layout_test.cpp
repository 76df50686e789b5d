// UI layer tests: the layout loader and every layout of the repository.
#include "../../../src/platform/os/Exception.h"
#include "Components.h"
#include "Forms.h"
#include "Layout.h"
#include "StdCtrls.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cstdio>

#include "skin/SkinClasses.h"

using namespace zuvi::ui;

namespace {

struct Recorder : TComponent {
    using TComponent::TComponent;
    QStringList* log = nullptr;
};

// Records the order in which its properties are applied.
void registerRecorder()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    auto reg = RegisterClass<Recorder>("TRecorder", "TComponent");
    for (QString p : {"Glyph", "TransparentColor", "Skin", "DivNum", "Mask", "MaskColor"})
        reg.property(p, [p](Recorder& r, const LayoutValue& v) {
            if (r.log)
                r.log->append(p + "=" + v.raw());
        });
}

struct TestForm : TForm {
    using TForm::TForm;
    int clicks = 0;
    int creates = 0;
    void Button1Click(TObject*) { ++clicks; }
    void FormCreate(TObject*) { ++creates; }
    void Wrong(TObject*, int) { }
};

QString wrap(const QString& body) { return "TTestForm TestForm {\n" + body + "\n}\n"; }

} // namespace

TEST(UiLayout, BuildsTreeWithPropertiesHandlersAndReferences)
{
    TestForm form(nullptr);
    TLabel* label = nullptr;
    TPanel* panel = nullptr;
    TTimer* timer = nullptr;
    TPopupMenu* menu = nullptr;
    FormBinding b;
    b.handler("Button1Click", &form, &TestForm::Button1Click).handler("FormCreate", &form, &TestForm::FormCreate);
    b.field("Label1", label).field("Panel1", panel).field("Timer1", timer).field("PopupMenu1", menu);
    LoadFormLayoutText(&form, wrap(R"(
    ClientWidth: 262
    ClientHeight: 510
    BorderStyle: bsNone
    OnCreate: FormCreate
    TPanel Panel1 {
        Left: 1
        Top: 122
        Width: 252
        Height: 127
        PopupMenu: PopupMenu1
        TLabel Label1 {
            Left: 18
            Top: 17
            Caption: "呼叫中。。。 \"x\""
            Font.Style: [fsBold, fsUnderline]
            Font.Color: clBlue
            Cursor: crHandPoint
            OnClick: Button1Click
        }
    }
    TTimer Timer1 {
        Interval: 5000
        Enabled: false
    }
    TPopupMenu PopupMenu1 {
        TMenuItem N1 {
            Caption: "呼叫"
            OnClick: Button1Click
        }
        TMenuItem N2 {
            Caption: "-"
        }
    }
)"),
        "test.form", b);
    EXPECT_EQ(form.Name(), "TestForm");
    EXPECT_EQ(form.ClientWidth(), 262);
    EXPECT_EQ(form.BorderStyle(), bsNone);
    ASSERT_TRUE(label && panel && timer && menu);
    EXPECT_EQ(label->Parent(), panel);
    EXPECT_EQ(label->Owner(), &form);
    EXPECT_EQ(panel->Parent(), &form);
    EXPECT_EQ(label->Caption(), "呼叫中。。。 \"x\"");
    EXPECT_EQ(label->Font().Style, fsBold | fsUnderline);
    EXPECT_EQ(label->Font().Color, clBlue);
    EXPECT_EQ(label->Cursor(), crHandPoint);
    EXPECT_EQ(panel->PopupMenu(), menu);
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 5000);
    EXPECT_EQ(menu->Items()->Count(), 2);
    EXPECT_TRUE(menu->Items()->Items(1)->IsSeparator());
    label->Click();
    menu->Items()->Items(0)->Click();
    EXPECT_EQ(form.clicks, 2);
    form.AfterConstruction();
    EXPECT_EQ(form.creates, 1);
}

TEST(UiLayout, PropertiesRunInStoredOrder)
{
    registerRecorder();
    TestForm form(nullptr);
    QStringList log;
    Recorder* rec = nullptr;
    // The component exists before its properties: bind the log through a first pass.
    FormBinding b;
    b.field("R", rec);
    QString text = wrap(R"(
    TRecorder R {
        Skin: a
        Glyph: b
        MaskColor: c
        DivNum: 3
        TransparentColor: d
        Mask: false
    }
)");
    // Give every Recorder the log as soon as it is created.
    ClassRegistry::instance().add("TRecorder", "TComponent", [&log](TComponent* owner) -> TComponent* {
        auto* r = new Recorder(owner);
        r->log = &log;
        return r;
    });
    LoadFormLayoutText(&form, text, "order.form", b);
    EXPECT_EQ(log, (QStringList{"Skin=a", "Glyph=b", "MaskColor=c", "DivNum=3", "TransparentColor=d", "Mask=false"}));
}

TEST(UiLayout, CheckModeSkipsUnregisteredClassesOnly)
{
    TestForm form(nullptr);
    FormBinding b;
    QStringList unknown;
    b.acceptAnyHandler().skipUnknownClasses(&unknown);
    LoadFormLayoutText(&form, wrap(R"(
    TIdHTTP IdHTTP1 {
        Whatever: 1
        TAlsoUnknown X {
        }
    }
    TLabel Label1 {
        PopupMenu: IdHTTP1
        OnClick: AnyName
    }
)"),
        "check.form", b);
    EXPECT_EQ(unknown, (QStringList{"TIdHTTP", "TAlsoUnknown"}));
    EXPECT_NE(form.FindComponent("Label1"), nullptr);
    EXPECT_EQ(form.FindComponent("IdHTTP1"), nullptr);
    TestForm form2(nullptr);
    EXPECT_THROW(LoadFormLayoutText(&form2, wrap("TIdHTTP A {\n}\nTLabel L {\n Colour: 1\n}"), "check.form", b),
        zuvi::Exception);
}

TEST(UiLayout, LoadingFailsLoudly)
{
    struct Case {
        const char* body;
        const char* expect;
    };
    const Case cases[] = {
        {"TNoSuchClass X1 {\n}", "unknown class TNoSuchClass"},
        {"TLabel L1 {\n  Colour: clRed\n}", "unknown property Colour"},
        {"TLabel L1 {\n  OnClick: NoSuchHandler\n}", "unknown handler NoSuchHandler"},
        {"TLabel L1 {\n  OnClick: Wrong\n}", "wrong signature"},
        {"TLabel L1 {\n  Left: ten\n}", "not a number"},
        {"TLabel L1 {\n  Visible: yes\n}", "not true or false"},
        {"TLabel L1 {\n}\nTLabel L1 {\n}", "duplicate component name"},
        {"TLabel L1 {\n  PopupMenu: Nobody\n}", "unknown component Nobody"},
        {"TImage I1 {\n  Picture: nowhere/none.bmp\n}", "file not found"},
        {"TLabel L1 {\n  TLabel L2 {\n  }\n}", "cannot hold"},
        {"TLabel L1 {", "missing }"},
        {"just words", "syntax error"},
    };
    for (const Case& c : cases) {
        TestForm form(nullptr);
        FormBinding b;
        b.handler("Wrong", &form, &TestForm::Wrong);
        try {
            LoadFormLayoutText(&form, wrap(c.body), "bad.form", b);
            ADD_FAILURE() << "no error for: " << c.body;
        } catch (const zuvi::Exception& e) {
            EXPECT_TRUE(e.message().contains(c.expect)) << e.message().toStdString();
            EXPECT_TRUE(e.message().startsWith("bad.form:")) << e.message().toStdString();
        }
    }
    TestForm form(nullptr);
    TLabel* missing = nullptr;
    FormBinding b;
    b.field("Label9", missing);
    EXPECT_THROW(LoadFormLayoutText(&form, wrap(""), "f.form", b), zuvi::Exception);
    TEdit* wrongClass = nullptr;
    FormBinding b2;
    b2.field("L1", wrongClass);
    TestForm form2(nullptr);
    EXPECT_THROW(LoadFormLayoutText(&form2, wrap("TLabel L1 {\n}"), "f.form", b2), zuvi::Exception);
    EXPECT_THROW(LoadFormLayout(&form2, "no-such-layout.form", FormBinding()), zuvi::Exception);
}

// Every layout in the repository loads: known classes and properties, readable values,
// existing pictures (resolved beside the built program). Handlers are checked by each form,
// and so are the classes a form registers itself (listed, then skipped here).
TEST(UiLayout, EveryRepositoryLayoutLoads)
{
    zuvi::skin::RegisterSkinClasses();
    QString saved = ResourceDir();
    SetResourceDir(ZUVI_BIN_DIR);
    QDir dir(ZUVI_SOURCE_FORMS);
    const QStringList files = dir.entryList({"*.form"}, QDir::Files, QDir::Name);
    EXPECT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
        TForm form(nullptr);
        FormBinding b;
        QStringList unknown;
        b.acceptAnyHandler().skipUnknownClasses(&unknown);
        try {
            LoadFormLayoutText(&form, QString::fromUtf8(f.readAll()), name, b);
        } catch (const zuvi::Exception& e) {
            ADD_FAILURE() << e.message().toStdString();
        }
        if (!unknown.isEmpty())
            std::printf("%s: classes registered by their form, not checked here: %s\n", qPrintable(name),
                qPrintable(unknown.join(", ")));
    }
    SetResourceDir(saved);
}

namespace {
struct TOrderForm : TForm {
    explicit TOrderForm(TComponent* owner, const QString& layout)
        : TForm(owner)
    {
        FormBinding b;
        b.field("Label1", Label1).handler("FormCreate", this, &TOrderForm::FormCreate);
        LoadFormLayoutText(this, layout, "order.form", b);
        steps.append(Label1->Caption().isEmpty() ? "ctor" : "ctor:" + Label1->Caption());
    }
    void FormCreate(TObject*) { steps.append("FormCreate"); }
    TLabel* Label1 = nullptr;
    QStringList steps;
};
struct TGoodForm : TOrderForm {
    explicit TGoodForm(TComponent* owner)
        : TOrderForm(owner, "TGoodForm GoodForm {\n OnCreate: FormCreate\n TLabel Label1 {\n Caption: \"x\"\n }\n}\n")
    { }
};
struct TBadForm : TOrderForm {
    explicit TBadForm(TComponent* owner)
        : TOrderForm(owner, "TBadForm BadForm {\n TLabel Label1 {\n Colour: 1\n }\n}\n")
    { }
};
} // namespace

TEST(UiLayout, OnCreateRunsAfterTheWholeConstructorAndAFailingLayoutLeavesNothing)
{
    TComponent owner(nullptr);
    TGoodForm* good = nullptr;
    CreateForm(&good, &owner);
    ASSERT_NE(good, nullptr);
    EXPECT_EQ(good->steps, (QStringList{"ctor:x", "FormCreate"}));
    EXPECT_EQ(owner.ComponentCount(), 1);
    TBadForm* bad = nullptr;
    EXPECT_THROW(CreateForm(&bad, &owner), zuvi::Exception);
    EXPECT_EQ(bad, nullptr);
    EXPECT_EQ(owner.ComponentCount(), 1);
}
