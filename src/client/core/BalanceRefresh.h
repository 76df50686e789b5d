// Client core: the Login request after a call that refreshes the balance and the account details.
#pragma once

#include "client/core/LoginSession.h"
#include "client/core/WebGet.h"

#include <QString>

#include <optional>

namespace zuvi::client {

// Login again with the login state's account, password and token hash. Nothing on any failure
// (no answer, not JSON, "ret" not 0); otherwise the details the reply gives as strings, each
// left unset when missing or of another type.
std::optional<LoginDetails> refreshBalance(const WebGet& get, const QString& account, const QString& password,
    const QString& hamc);

} // namespace zuvi::client
