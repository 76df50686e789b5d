// Client core: the phone account (SIP credentials) of a service account: CheckPM, then CreatePM.
#include "client/core/PhoneAccount.h"

#include "client/core/ServiceReply.h"
#include "platform/net/ServiceApi.h"

#include <optional>

namespace zuvi::client {

namespace {

using Outcome = PhoneAccount::Outcome;

PhoneAccount outcome(Outcome o) { return PhoneAccount{o, QString(), QString()}; }

// The credentials of a reply whose "ret" is 0.
PhoneAccount credentials(const PhoneAccountRules& rules, const net::Reply& r)
{
    const cJSON* rd = reply::rd(r);
    if (rules.credentialsAsStrings) {
        const std::optional<QString> id = reply::ansiIfString(rd, "vos_id");
        const std::optional<QString> pw = reply::ansiIfString(rd, "vos_pw");
        if (!id || !pw)
            return outcome(Outcome::KeepOld);
        return PhoneAccount{Outcome::NewCredentials, *id, *pw};
    }
    return PhoneAccount{Outcome::NewCredentials, reply::textOrNumber(rd, "vos_id"), reply::textOrNumber(rd, "vos_pw")};
}

} // namespace

PhoneAccountRules loginFormRules()
{
    return {.plainReplyCreates = false, .unreadableGivesUp = false, .credentialsAsStrings = false};
}

PhoneAccountRules mainWindowRules()
{
    return {.plainReplyCreates = true, .unreadableGivesUp = true, .credentialsAsStrings = true};
}

PhoneAccount checkPhoneAccount(const PhoneAccountRules& rules, const WebGet& get, const QString& account,
    const QString& hamc)
{
    const std::optional<QByteArray> body = tryGet(get, net::ServiceApi::CheckPM(account, hamc));
    if (!body)
        return outcome(Outcome::GiveUp);
    const net::Reply plain = net::readReply(*body);
    if (plain.isJson()) {
        if (rules.plainReplyCreates || plain.ret() != 0)
            return outcome(Outcome::CreateAccount);
        return outcome(Outcome::KeepOld);
    }
    const net::Reply r = net::unscrambleReply(*body);
    if (r.kind() == net::Reply::Kind::NotJson && rules.unreadableGivesUp)
        return outcome(Outcome::GiveUp);
    if (!r.isJson())
        return outcome(Outcome::KeepOld);
    if (r.ret() != 0)
        return outcome(Outcome::CreateAccount);
    return credentials(rules, r);
}

PhoneAccount createPhoneAccount(const PhoneAccountRules& rules, const WebGet& get, const QString& account,
    const QString& hamc)
{
    const std::optional<QByteArray> body = tryGet(get, net::ServiceApi::CreatePM(account, hamc));
    if (!body)
        return outcome(Outcome::KeepOld);
    const net::Reply r = net::unscrambleReply(*body);
    if (!r.isJson() || r.ret() != 0)
        return outcome(Outcome::KeepOld);
    return credentials(rules, r);
}

} // namespace zuvi::client
