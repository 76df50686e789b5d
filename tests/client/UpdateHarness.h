// Update window tests: the service simulator with an installer to serve, and the buttons shown.
#pragma once

#include "LoginHarness.h"

#include "platform/net/HttpClient.h"
#include "platform/ui/Controls.h"

#include <QUrl>

#include <initializer_list>

namespace zuvi::test {

// The simulator's installer address, with one of its download faults.
inline QString InstallerUrl(const ServiceSim& sim, const QString& fault = {})
{
    return "http://" + sim.host() + "/_sim/installer" + (fault.isEmpty() ? QString() : "?fault=" + fault);
}

// softversion answers "u" = url from now on.
inline void OfferUpdate(const ServiceSim& sim, const QString& url)
{
    sim.control("/_sim/softversion?u=" + QString::fromLatin1(QUrl::toPercentEncoding(url)));
}

// One download case: no message logged yet, the size bound (ZUVI_UPDATE_MAX_BYTES, or the default
// when null) and the installer URL offered.
inline void OfferDownload(const TempHome& home, const ServiceSim& sim, const QString& url, const char* maxBytes)
{
    QFile::remove(home.path() + "/msgbox.log");
    if (maxBytes)
        qputenv("ZUVI_UPDATE_MAX_BYTES", maxBytes);
    else
        qunsetenv("ZUVI_UPDATE_MAX_BYTES");
    OfferUpdate(sim, url);
}

inline void ServeInstaller(const ServiceSim& sim, const QByteArray& bytes)
{
    zuvi::net::HttpClient http(zuvi::net::HttpClient::Kind::Plain);
    http.post("http://" + sim.host() + "/_sim/installer", bytes, "application/octet-stream");
}

// The names of the visible controls among the given ones.
inline QStringList Shown(std::initializer_list<zuvi::ui::TControl*> controls)
{
    QStringList names;
    for (zuvi::ui::TControl* c : controls)
        if (c->Visible())
            names << c->Name();
    return names;
}

} // namespace zuvi::test
