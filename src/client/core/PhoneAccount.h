// Client core: the phone account (SIP credentials) of a service account: CheckPM, then CreatePM.
#pragma once

#include "client/core/WebGet.h"

#include <QString>

namespace zuvi::client {

// The two windows that ask for the phone account read the replies by different rules, on
// purpose; each rule set is one of these.
struct PhoneAccountRules {
    // A plain (unscrambled) CheckPM reply asks for CreatePM whatever its "ret" (true), or only
    // when "ret" is not 0, a plain "ret" 0 keeping the old credentials (false).
    bool plainReplyCreates;
    // A scrambled reply that does not unscramble to JSON gives the attempt up (true) or keeps the
    // old credentials (false).
    bool unreadableGivesUp;
    // The credentials must both be strings, else the old ones are kept (true); or each is taken
    // as text, a number as its decimal text, anything else as "" (false).
    bool credentialsAsStrings;
};

// The login form's: after a successful login, before the login account is registered.
PhoneAccountRules loginFormRules();
// The main window's: before each call.
PhoneAccountRules mainWindowRules();

struct PhoneAccount {
    enum class Outcome {
        NewCredentials, // use id and password
        KeepOld, // go on with the credentials held so far
        CreateAccount, // CheckPM only: ask for a new phone account with CreatePM
        GiveUp, // CheckPM only: no answer (or, by the rules, an unreadable one)
    };
    Outcome outcome = Outcome::KeepOld;
    QString id;
    QString password;
};

// CheckPM for account with the token hash; never throws for a transport failure.
PhoneAccount checkPhoneAccount(const PhoneAccountRules& rules, const WebGet& get, const QString& account,
    const QString& hamc);
// CreatePM: NewCredentials or KeepOld.
PhoneAccount createPhoneAccount(const PhoneAccountRules& rules, const WebGet& get, const QString& account,
    const QString& hamc);

} // namespace zuvi::client
