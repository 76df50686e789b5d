// Main window: promotions page, banner download and link, keep-alive.
#include "client/MainWindow.h"

#include "client/AddContactDialog.h"
#include "client/CloseChoiceDialog.h"
#include "client/LoginForm.h"
#include "client/SettingsDialog.h"
#include "client/core/AccountFiles.h"
#include "client/core/Promotions.h"
#include "platform/os/folders.h"
#include "platform/os/services.h"
#include "platform/os/shell.h"

using namespace zuvi::ui;
namespace client = zuvi::client;

namespace {

// The banner file, when there is one, decoded into the banner images of both forms, which are
// shown. A file that is not a JPEG picture throws and changes neither.
void ShowDownloadedBanner()
{
    const QString path = client::bannerFile();
    if (!zuvi::os::fileExists(path))
        return;
    TJPEGImage jpeg;
    jpeg.LoadFromFile(path);
    for (TImage* image : {Form1 ? Form1->Image2 : nullptr, Form2 ? Form2->Image2 : nullptr}) {
        if (!image)
            continue;
        image->Picture()->Assign(jpeg);
        image->Show();
    }
}

} // namespace

void TForm1::FormShow(TObject*)
{
    if (Memo1->Lines()->Count() == 0)
        Timer3->SetEnabled(true);
}

void TForm1::Timer3Timer(TObject*)
{
    Timer3->SetEnabled(false);
    const auto page = client::FetchPromotions(MainWeb(this), LoginAccountText(), LoginHamc());
    if (!page)
        return;
    for (const client::Promotion& element : *page) {
        if (!element.bannerPicture.isEmpty()) {
            client::DownloadBanner(element.bannerPicture);
            ShowDownloadedBanner();
        }
        if (!element.bannerLink.isEmpty())
            FAdLink = element.bannerLink;
        for (const QString& line : element.lines)
            Memo1->Lines()->Add(line);
    }
}

void TForm1::Image2Click(TObject*) { zuvi::os::openUrl(FAdLink); }

void TForm1::Timer2Timer(TObject*)
{
    if (!client::KeepAliveRefused(MainWeb(this), LoginAccountText(), LoginHamc()))
        return;
    Label13->SetCaption(QStringLiteral("失去服务器连接，请重新登录"));
    zuvi::os::sleepMs(2000);
    ShowLoginInputs();
    if (Form3)
        Form3->Close();
    if (Form4)
        Form4->Close();
    if (Form5)
        Form5->Close();
    Hide();
    Form2->Show();
}
