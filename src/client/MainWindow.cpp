// Main window: construction, creation steps, tabs, contact list, dial-edit keys and the volumes file.
#include "client/MainWindow.h"

#include "client/AddContactDialog.h"
#include "client/EditContactDialog.h"
#include "client/LoginForm.h"
#include "client/SipStack.h"
#include "client/core/AccountFiles.h"
#include "client/core/ContactSort.h"
#include "client/core/SiteLinks.h"
#include "platform/os/Exception.h"
#include "platform/os/folders.h"
#include "platform/os/services.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

#include <QFileInfo>

#include <mutex>
#include <vector>

using namespace zuvi::ui;

TForm1* Form1 = nullptr;

namespace {

void RegisterMainWindowClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterClass<TIdIPAddrMon>(QStringLiteral("TIdIPAddrMon"), QStringLiteral("TComponent"))
            .property(QStringLiteral("Active"), [](TIdIPAddrMon& c, const LayoutValue& v) { c.Active = v.toBool(); })
            .property(QStringLiteral("OnStatus"),
                [](TIdIPAddrMon& c, const LayoutValue& v) { c.OnStatus = v.toHandler<TNotifyEvent>(); });
    });
}

// Number part of a contact line: after its first "=", or the whole line without "=".
QString NumberPart(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? line : line.mid(eq + 1);
}

} // namespace

TForm1::TForm1(TComponent* Owner)
    : TForm(Owner)
{
    RegisterMainWindowClasses();
    FormBinding b;
    b.field("ssSkinForm1", ssSkinForm1).field("Image1", Image1).field("Label1", Label1).field("Label2", Label2).field("Label3", Label3).field("Label12", Label12).field("Label11", Label11).field("ssSkinButton4", ssSkinButton4).field("ssSkinButton1", ssSkinButton1).field("ssSkinButton2", ssSkinButton2).field("Image5", Image5).field("Image8", Image8).field("Image9", Image9).field("Image7", Image7).field("Image6", Image6).field("Label4", Label4).field("Label5", Label5).field("Label6", Label6).field("Label7", Label7).field("Panel1", Panel1).field("ValueListEditor1", ValueListEditor1).field("ValueListEditor2", ValueListEditor2).field("Panel2", Panel2).field("Label8", Label8).field("Label9", Label9).field("Label10", Label10).field("Panel3", Panel3).field("ListBox1", ListBox1).field("Panel5", Panel5).field("Memo1", Memo1).field("Panel4", Panel4).field("Label14", Label14).field("Label13", Label13).field("Label15", Label15).field("Label16", Label16).field("Label17", Label17).field("ssSkinButton6", ssSkinButton6).field("Edit1", Edit1).field("ssSkinButton7", ssSkinButton7).field("ssSkinButton3", ssSkinButton3).field("ssSkinButton8", ssSkinButton8).field("ssSkinButton5", ssSkinButton5).field("Image3", Image3).field("TrackBar1", TrackBar1).field("Image4", Image4).field("TrackBar2", TrackBar2).field("Image2", Image2).field("PopupMenu1", PopupMenu1).field("N1", N1).field("N11", N11).field("N12", N12).field("N13", N13).field("PopupMenu2", PopupMenu2).field("N2", N2).field("N3", N3).field("N4", N4).field("N5", N5).field("N6", N6).field("N7", N7).field("N14", N14).field("N8", N8).field("N9", N9).field("N10", N10).field("TrayIcon1", TrayIcon1).field("ImageList1", ImageList1).field("IdIPAddrMon1", IdIPAddrMon1).field("Timer1", Timer1).field("Timer2", Timer2).field("Timer3", Timer3).field("Timer4", Timer4).field("Timer5", Timer5).field("Timer6", Timer6).field("Timer7", Timer7).field("Timer8", Timer8);

    b.handler("FormCreate", this, &TForm1::FormCreate)
        .handler("FormShow", this, &TForm1::FormShow)
        .handler("FormDestroy", this, &TForm1::FormDestroy)
        .handler("ssSkinForm1MouseMove", this, &TForm1::ssSkinForm1MouseMove)
        .handler("Label11Click", this, &TForm1::Label11Click)
        .handler("ssSkinButton4Click", this, &TForm1::ssSkinButton4Click)
        .handler("ssSkinButton1Click", this, &TForm1::ssSkinButton1Click)
        .handler("ssSkinButton2Click", this, &TForm1::ssSkinButton2Click)
        .handler("Image8Click", this, &TForm1::Image8Click)
        .handler("Image9Click", this, &TForm1::Image9Click)
        .handler("Image7Click", this, &TForm1::Image7Click)
        .handler("Image6Click", this, &TForm1::Image6Click)
        .handler("Label4Click", this, &TForm1::Label4Click)
        .handler("Label5Click", this, &TForm1::Label5Click)
        .handler("Label6Click", this, &TForm1::Label6Click)
        .handler("Label7Click", this, &TForm1::Label7Click)
        .handler("ValueListEditor1SelectCell", this, &TForm1::ValueListEditor1SelectCell)
        .handler("ValueListEditor1MouseUp", this, &TForm1::ValueListEditor1MouseUp)
        .handler("Label15Click", this, &TForm1::Label15Click)
        .handler("Label16Click", this, &TForm1::Label16Click)
        .handler("Label17Click", this, &TForm1::Label17Click)
        .handler("ssSkinButton6Click", this, &TForm1::ssSkinButton6Click)
        .handler("Edit1KeyUp", this, &TForm1::Edit1KeyUp)
        .handler("ssSkinButton7Click", this, &TForm1::ssSkinButton7Click)
        .handler("ssSkinButton3Click", this, &TForm1::ssSkinButton3Click)
        .handler("ssSkinButton5Click", this, &TForm1::ssSkinButton5Click)
        .handler("TrackBar1Change", this, &TForm1::TrackBar1Change)
        .handler("TrackBar2Change", this, &TForm1::TrackBar2Change)
        .handler("Image2Click", this, &TForm1::Image2Click)
        .handler("N1Click", this, &TForm1::N1Click)
        .handler("N11Click", this, &TForm1::N11Click)
        .handler("N12Click", this, &TForm1::N12Click)
        .handler("N13Click", this, &TForm1::N13Click)
        .handler("N2Click", this, &TForm1::N2Click)
        .handler("N3Click", this, &TForm1::N3Click)
        .handler("N4Click", this, &TForm1::N4Click)
        .handler("N6Click", this, &TForm1::N6Click)
        .handler("N7Click", this, &TForm1::N7Click)
        .handler("N14Click", this, &TForm1::N14Click)
        .handler("N8Click", this, &TForm1::N8Click)
        .handler("N10Click", this, &TForm1::N10Click)
        .handler("TrayIcon1DblClick", this, &TForm1::TrayIcon1DblClick)
        .handler("IdIPAddrMon1Status", this, &TForm1::IdIPAddrMon1Status)
        .handler("Timer1Timer", this, &TForm1::Timer1Timer)
        .handler("Timer2Timer", this, &TForm1::Timer2Timer)
        .handler("Timer3Timer", this, &TForm1::Timer3Timer)
        .handler("Timer4Timer", this, &TForm1::Timer4Timer)
        .handler("Timer5Timer", this, &TForm1::Timer5Timer)
        .handler("Timer6Timer", this, &TForm1::Timer6Timer)
        .handler("Timer7Timer", this, &TForm1::Timer7Timer)
        .handler("Timer8Timer", this, &TForm1::Timer8Timer);

    LoadFormLayout(this, QStringLiteral("MainWindow.form"), b);

    ssSkinButton8->Hide();
    ssSkinButton3->Show();
}

TForm1::~TForm1() = default;

void TForm1::FormCreate(TObject*)
{
    // An error here (an unreadable banner) is reported and ends the creation steps; the window
    // exists all the same.
    Guard([this] {
        Label15->Hide();
        Label16->Hide();
        Label17->Hide();
        FSwitchingAccount = false;
        InstallSipHooks();
        InitSipStack();
        LoadBanner();
        FAdLink = zuvi::client::siteRoot();
    });
}

void LoadBannerPicture(TImage* image)
{
    const QString path = zuvi::client::bannerFile();
    if (!zuvi::os::fileExists(path))
        return;
    QFileInfo info(path);
    if (info.isFile() && info.size() == 0) {
        zuvi::os::deleteFile(path);
    } else {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(path); // throws on anything that is not a JPEG picture
        image->Picture()->Assign(jpeg);
    }
    image->Show();
}

void TForm1::LoadBanner() { LoadBannerPicture(Image2); }

void TForm1::LoadUserSettings(const QString& account)
{
    FCurrentUser = account;
    const zuvi::client::AccountFiles files(account);
    files.makeFolder();
    const zuvi::client::Volumes v = files.volumes();
    TrackBar1->SetPosition(v.speaker);
    TrackBar2->SetPosition(v.microphone);
}

void TForm1::ShowAccount(const QString& account)
{
    Label1->SetCaption(account);
    if (Form2) {
        Label3->SetCaption(Form2->FBalance);
        Label12->SetCaption(Form2->FBalanceMin);
    }
}

void TForm1::LoadAccountLists()
{
    // A missing file is created empty and read like any other, so an account without files
    // starts with empty lists: nothing of the account logged in before is shown, or written
    // later into this account's folder.
    const zuvi::client::AccountFiles files(Label1->Caption());
    const QString contact = files.prepare(files.contacts());
    ValueListEditor1->Strings()->LoadFromFile(contact);
    if (ValueListEditor1->Strings()->Count() == 0) {
        ValueListEditor1->SetVisible(false);
        ValueListEditor2->SetVisible(true);
    } else {
        ValueListEditor1->SetVisible(true);
        ValueListEditor2->SetVisible(false);
        Edit1->SetText(QString());
        SortContacts(ValueListEditor1);
    }
    const QString call = files.prepare(files.callHistory());
    ListBox1->Items()->LoadFromFile(call);
    if (ListBox1->Items()->Count() == 0)
        ListBox1->Items()->Add(zuvi::client::kNoHistory);
}

void TForm1::SortContacts(TValueListEditor* list)
{
    TStrings* lines = list->Strings();
    std::vector<QString> work;
    work.reserve(std::size_t(lines->Count()));
    for (int i = 0; i < lines->Count(); ++i)
        work.push_back(lines->Strings(i));
    work = zuvi::client::sortContactLines(std::move(work));

    lines->BeginUpdate();
    for (int r = lines->Count(); r >= 1; --r)
        lines->Delete(r - 1);
    for (const QString& current : work) {
        const qsizetype eq = current.indexOf(u'=');
        const QString name = eq < 0 ? QString() : current.left(eq);
        const QString number = eq < 0 ? QString() : current.mid(eq + 1);
        if (!name.isEmpty() && !number.isEmpty())
            lines->Add(name + u'=' + number);
    }
    lines->EndUpdate();
}

// Tabs ---------------------------------------------------------------------------------------

void TForm1::ShowTab(TPanel* page, TImage* highlight, bool focusDial)
{
    for (TPanel* p : {Panel1, Panel2, Panel3, Panel5})
        p->SetVisible(p == page);
    Panel4->SetVisible(page != Panel5);
    for (TImage* h : {Image8, Image9, Image7, Image6})
        h->SetVisible(h == highlight);
    if (focusDial)
        Edit1->SetFocus();
}

void TForm1::HideServiceLinks()
{
    Label15->Hide();
    Label16->Hide();
    Label17->Hide();
}

void TForm1::Image8Click(TObject*) { ShowTab(Panel1, Image8, true); }
void TForm1::Image9Click(TObject*) { ShowTab(Panel2, Image9, true); }
void TForm1::Image7Click(TObject*) { ShowTab(Panel3, Image7, true); }
void TForm1::Image6Click(TObject*) { ShowTab(Panel5, Image6, false); }

void TForm1::Label4Click(TObject*)
{
    ShowTab(Panel1, Image8, true);
    HideServiceLinks();
}
void TForm1::Label5Click(TObject*)
{
    ShowTab(Panel2, Image9, true);
    HideServiceLinks();
}
void TForm1::Label6Click(TObject*)
{
    ShowTab(Panel3, Image7, true);
    HideServiceLinks();
}
void TForm1::Label7Click(TObject*)
{
    ShowTab(Panel5, Image6, false);
    HideServiceLinks();
}

// Contact list -------------------------------------------------------------------------------

bool FindContactByNumber(const QString& number, int& row)
{
    if (number.isEmpty() || !Form1)
        return false;
    TStrings* lines = Form1->ValueListEditor1->Strings();
    for (int i = 0; i < lines->Count(); ++i) {
        const QString part = NumberPart(lines->Strings(i));
        if (!part.isEmpty() && part == number) {
            row = i + 1;
            return true;
        }
    }
    return false;
}

bool FindContact(const QString& text, int& row)
{
    if (text.isEmpty() || !Form1)
        return false;
    TStrings* lines = Form1->ValueListEditor1->Strings();
    for (int i = 0; i < lines->Count(); ++i) {
        if (lines->Strings(i).contains(text)) {
            row = i + 1;
            return true;
        }
    }
    return false;
}

QString CurrentAccountFolder()
{
    return zuvi::client::AccountFiles(Form1 ? Form1->Label1->Caption() : QString()).folder();
}

void SaveContactFile() { Form1->WriteContactFile(Form1->Label1->Caption()); }

void TForm1::WriteContactFile(const QString& account)
{
    const zuvi::client::AccountFiles files(account);
    ValueListEditor1->Strings()->SaveToFile(files.prepare(files.contacts()));
}

void TForm1::ValueListEditor1SelectCell(TObject*, int, int ARow, bool& CanSelect)
{
    TStrings* lines = ValueListEditor1->Strings();
    if (lines->Count() > 0 && ARow > 0 && ARow <= lines->Count()) {
        const QString part = NumberPart(lines->Strings(ARow - 1));
        if (!part.isEmpty())
            Edit1->SetText(part);
    }
    CanSelect = true;
}

void TForm1::ValueListEditor1MouseUp(TObject*, TMouseButton Button, TShiftState, int X, int Y)
{
    int col = -1, row = -1;
    ValueListEditor1->MouseToCell(X, Y, col, row);
    FClickedRow = row;
    if (FClickedRow > 0) {
        ValueListEditor1->SetRow(FClickedRow);
        if (Button == mbRight) {
            const TPoint p = ValueListEditor1->ClientToScreen(Point(X, Y));
            PopupMenu1->Popup(p.X, p.Y);
        }
    }
}

void TForm1::N1Click(TObject* Sender) { ssSkinButton3Click(Sender); }

void TForm1::N11Click(TObject*)
{
    int row = 0;
    if (!FindContactByNumber(Edit1->Text(), row))
        return;
    // The edit dialog replaces the current row: make it the line the dialog shows. The selected
    // contact stays when the dial edit holds its number (a second line with that number); else
    // the line found is selected, so a typed number never has another contact overwritten.
    TStrings* lines = ValueListEditor1->Strings();
    const int selected = ValueListEditor1->Row();
    if (selected >= 1 && selected <= lines->Count() && NumberPart(lines->Strings(selected - 1)) == Edit1->Text())
        row = selected;
    else
        ValueListEditor1->SetRow(row);
    const QString line = lines->Strings(row - 1);
    const qsizetype eq = line.indexOf(u'=');
    const QString name = eq < 0 ? QString() : line.left(eq);
    const QString number = NumberPart(line);
    Form9->Edit1->SetText(name);
    Form9->Edit2->SetText(number);
    Form9->Show();
}

void TForm1::N12Click(TObject*) { Form5->Show(); }

void TForm1::N13Click(TObject*)
{
    // The selected contact goes when the dial edit holds its number: the first line that merely
    // contains the text may be another contact (a longer number, digits in a name), which would
    // be deleted and written away without a word.
    const QString text = Edit1->Text();
    TStrings* lines = ValueListEditor1->Strings();
    const int selected = ValueListEditor1->Row();
    int row = 0;
    if (!text.isEmpty() && selected >= 1 && selected <= lines->Count() && NumberPart(lines->Strings(selected - 1)) == text)
        row = selected;
    else if (!FindContact(text, row))
        return;
    ValueListEditor1->DeleteRow(row);
    SaveContactFile();
}

void TForm1::ssSkinButton6Click(TObject*)
{
    Form5->Show();
    Form5->Edit1->SetText(QString());
    Form5->Edit2->SetText(QString());
}

void TForm1::ssSkinButton7Click(TObject*) { Edit1->PostKeyChar(8); }

void TForm1::Edit1KeyUp(TObject*, WORD& Key, TShiftState)
{
    if (Key == VK_RETURN)
        ssSkinButton3Click(nullptr);
}

// SIP accounts -------------------------------------------------------------------------------

void TForm1::RegisterLoginAccount(const QString& user, const QString& password)
{
    ::RegisterLoginAccount(user, password);
}

void TForm1::UnregisterSipAccounts() { ::UnregisterSipAccounts(); }
