// Service web API: request URLs of the ten actions, token hash and password digest.
#pragma once

#include <QString>

namespace zuvi::net {

inline constexpr const char* kFlag = "160000";
inline constexpr const char* kVer = "5.1.0";

// Token hash: lowercase hex MD5 of the ANSI bytes of account + SwapCharPairs(randCode) + "160000".
QString Hamc(const QString& account, const QString& randCode);
// Password digest: lowercase hex MD5 of the password's ANSI bytes.
QString Passwd(const QString& password);
// Lowercase hex MD5 of bytes ("%02x" per digest byte).
QString md5Hex(const QByteArray& bytes);

// Request URLs. Values are inserted as they are (no percent-encoding).
namespace ServiceApi {

QString RandCode(); // API endpoint
QString RandCode2(); // second endpoint: the login-status notice's poll
QString Login(const QString& phone, const QString& passwd, const QString& hamc);
QString CheckPM(const QString& phone, const QString& hamc);
QString CreatePM(const QString& phone, const QString& hamc);
QString Logout(const QString& phone, const QString& hamc);
QString Activity(const QString& phone, const QString& hamc);
QString softversion();
QString UpAddresBook(); // POST target; the body carries the fields
QString RestoreAddresBook(const QString& phone, const QString& hamc); // second endpoint
QString Keepalived(const QString& phone, const QString& hamc);

} // namespace ServiceApi

} // namespace zuvi::net
