// Client core: the login sequence's requests: the token with its retries, Login and Logout.
#pragma once

#include "client/core/WebGet.h"

#include <QString>

#include <functional>
#include <optional>

namespace zuvi::client {

// The account details of a Login reply's "rd". A detail the reply does not give is empty; the
// balance refresh after a call leaves it unset.
struct LoginDetails {
    std::optional<QString> vosIp; // SIP server address
    std::optional<QString> balance; // UTF-8 texts
    std::optional<QString> balanceMin;
    std::optional<QString> loginTime;
    std::optional<QString> ip;
    std::optional<QString> currentIp;
    std::optional<QString> currentLoginTime;
    std::optional<QString> totalLoginTimes;
};

struct LoginToken {
    enum class Outcome {
        Token, // hamc holds the token hash
        Unreachable, // no answer, or an answer without "ret"
        NotJson, // an answer that is not JSON: the login ends without a word
        Refused, // three refusals
    };
    Outcome outcome = Outcome::Refused;
    QString hamc;
};

struct LoginResult {
    enum class Outcome {
        Accepted, // details filled from the reply ("ret" 0)
        Unreachable,
        NotJson,
        Refused, // "ret" missing or not 0
    };
    Outcome outcome = Outcome::Refused;
    LoginDetails details;
};

// The login form's requests, through its web client.
class LoginSession {
public:
    // pause: the wait between two token attempts (one second in the program).
    LoginSession(WebGet get, std::function<void(int ms)> pause);

    // RandCode up to three times, a second apart after each refusal, then Hamc of account and
    // the code.
    LoginToken fetchToken(const QString& account) const;
    // Login with the password's digest and the token hash.
    LoginResult login(const QString& account, const QString& password, const QString& hamc) const;
    // Logout; its outcome does not matter. The account text has passed no input check, so it is
    // sent percent-encoded from the ANSI code page.
    void logout(const QString& accountText, const QString& hamc) const;

    const WebGet& web() const { return m_get; }

private:
    WebGet m_get;
    std::function<void(int)> m_pause;
};

} // namespace zuvi::client
