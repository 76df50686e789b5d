// Service web API: request URLs of the ten actions, token hash and password digest.
#include "ServiceApi.h"

#include "Endpoints.h"
#include "WebReply.h"
#include "platform/os/codepage.h"

#include <openssl/evp.h>

namespace zuvi::net {

QString md5Hex(const QByteArray& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.constData(), size_t(bytes.size()), digest, &length, EVP_md5(), nullptr);
    static const char hex[] = "0123456789abcdef";
    QString out;
    for (unsigned int i = 0; i < length; ++i) {
        out += QLatin1Char(hex[digest[i] >> 4]);
        out += QLatin1Char(hex[digest[i] & 15]);
    }
    return out;
}

QString Hamc(const QString& account, const QString& randCode)
{
    return md5Hex(zuvi::os::toAnsi(account) + zuvi::os::toAnsi(SwapCharPairs(randCode)) + kFlag);
}

QString Passwd(const QString& password) { return md5Hex(zuvi::os::toAnsi(password)); }

namespace ServiceApi {

namespace {

QString api(const QString& query) { return apiUrl() + QLatin1Char('?') + query; }
QString api2(const QString& query) { return api2Url() + QLatin1Char('?') + query; }

} // namespace

QString RandCode() { return api(QStringLiteral("r=Pc/RandCode&Flag=160000")); }
QString RandCode2() { return api2(QStringLiteral("r=Pc/RandCode&Flag=160000")); }

QString Login(const QString& phone, const QString& passwd, const QString& hamc)
{
    return api(QStringLiteral("r=Pc/Login&Phone=") + phone + QStringLiteral("&Passwd=") + passwd
        + QStringLiteral("&Flag=160000&Hamc=") + hamc);
}

QString CheckPM(const QString& phone, const QString& hamc)
{
    return api(QStringLiteral("r=Pc/CheckPM&Phone=") + phone + QStringLiteral("&Flag=160000&Hamc=") + hamc);
}

QString CreatePM(const QString& phone, const QString& hamc)
{
    return api(QStringLiteral("r=Pc/CreatePM&Phone=") + phone + QStringLiteral("&Flag=160000&Hamc=") + hamc);
}

QString Logout(const QString& phone, const QString& hamc)
{
    return api(QStringLiteral("r=Pc/Logout&Phone=") + phone + QStringLiteral("&Flag=160000&Hamc=") + hamc);
}

QString Activity(const QString& phone, const QString& hamc)
{
    return api(QStringLiteral("r=Pc/Activity&Phone=") + phone + QStringLiteral("&Flag=160000&Hamc=") + hamc);
}

QString softversion() { return api(QStringLiteral("r=Pc/softversion&Flag=160000&Ver=5.1.0")); }

QString UpAddresBook() { return api(QStringLiteral("r=Pc/UpAddresBook")); }

QString RestoreAddresBook(const QString& phone, const QString& hamc)
{
    return api2(QStringLiteral("r=Pc/RestoreAddresBook&Phone=") + phone + QStringLiteral("&Flag=160000&Hamc=")
        + hamc + QStringLiteral("&Ver=5.1.0"));
}

QString Keepalived(const QString& phone, const QString& hamc)
{
    return api(QStringLiteral("r=Pc/Keepalived&Phone=") + phone + QStringLiteral("&Flag=160000&Hamc=") + hamc);
}

} // namespace ServiceApi

} // namespace zuvi::net
