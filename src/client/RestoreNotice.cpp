// Address-book restore notice: the state of a run (in progress, done, failed) at the bottom right.
#include "client/RestoreNotice.h"

#include "client/core/Notices.h"
#include "platform/os/screen.h"
#include "platform/os/Exception.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

#include <QDir>

using namespace zuvi::ui;

TSynstatus* Synstatus = nullptr;

QString SyncPicturePath(int state)
{
    const char* name = state == 0 ? "syn_doing.bmp" : state == 1 ? "syn_done.bmp"
                                                                 : "syn_failed.bmp";
    return QDir(ResourceDir()).filePath(QStringLiteral("pic/") + QLatin1String(name));
}

TSynstatus::TSynstatus(TComponent* Owner)
    : TForm(Owner)
{
    FormBinding b;
    b.field("ssSkinForm1", ssSkinForm1)
        .field("Label1", Label1)
        .field("ssSkinButton1", ssSkinButton1)
        .field("Label2", Label2);
    b.handler("ssSkinButton1Click", this, &TSynstatus::ssSkinButton1Click);
    LoadFormLayout(this, QStringLiteral("RestoreNotice.form"), b);
}

TSynstatus::~TSynstatus()
{
    if (Synstatus == this)
        Synstatus = nullptr;
}

void TSynstatus::ShowSyncStatus(int state)
{
    // A missing or unreadable picture keeps the current background (and size), so that the
    // notice still tells the state and, when done or failed, can be closed.
    TBitmap picture;
    bool loaded = true;
    try {
        picture.LoadFromFile(SyncPicturePath(state));
    } catch (const zuvi::Exception&) {
        loaded = false;
    }
    if (loaded)
        ssSkinForm1->SetPicture(picture);

    Label1->SetVisible(state == 0);
    Label2->SetVisible(state != 0);
    ssSkinButton1->SetVisible(state != 0);
    if (state == 0)
        Label1->SetCaption(QStringLiteral("同步通讯录中..."));
    else
        Label2->SetCaption(state == 1 ? QStringLiteral("同步完成") : QStringLiteral("同步失败，请稍候再试"));

    const QPoint at = zuvi::client::noticeTopLeft(zuvi::os::workArea(), Width(), Height());
    SetBounds(at.x(), at.y(), Width(), Height());
    Repaint();
}

void TSynstatus::ssSkinButton1Click(TObject*) { Close(); }
