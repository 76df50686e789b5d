// Client core: the files of an account and of the program in the data folder.
#pragma once

#include <QString>
#include <QStringList>

namespace zuvi::client {

// The line an empty call history shows in its place; it is never written to the "call" file.
inline const QString kNoHistory = QStringLiteral("暂无记录");

// The remembered account names ("users" in the data folder).
QString usersFile();
// The banner picture of the login form and the main window ("ad.jpg" in the data folder).
QString bannerFile();

// The three login switches of an account ("login.ini": save my information, remember my
// password, log me in automatically); a missing file or value reads as ticked.
struct LoginSwitches {
    bool saveInformation = true;
    bool rememberPassword = true;
    bool autoLogin = true;
};

// The slider positions of an account ("zuvi.ini"); missing values read as 10.
struct Volumes {
    int speaker = 10;
    int microphone = 10;
};

// The files of one account in its folder below the data folder; the empty account name stands
// for the data folder itself (nobody logged in).
class AccountFiles {
public:
    explicit AccountFiles(const QString& account);

    const QString& folder() const { return m_folder; }
    QString contacts() const { return m_folder + QStringLiteral("contact"); }
    QString callHistory() const { return m_folder + QStringLiteral("call"); }
    QString volumesFile() const { return m_folder + QStringLiteral("zuvi.ini"); }
    QString loginSwitchesFile() const { return m_folder + QStringLiteral("login.ini"); }

    // Creates the folder (one level) when it is missing.
    void makeFolder() const;
    // The folder and an empty file at path (one of the above) when missing; returns path.
    QString prepare(const QString& path) const;

    LoginSwitches loginSwitches() const;
    void writeLoginSwitches(const LoginSwitches& switches) const;
    Volumes volumes() const;
    void writeVolumes(const Volumes& volumes) const;

private:
    QString m_folder;
};

// True when the call history list shows the placeholder alone: the history is empty, and the
// placeholder goes before a line is added or the list is written.
bool showsNoHistory(const QStringList& shownLines);

} // namespace zuvi::client
