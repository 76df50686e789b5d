// Login tests: private home folders, the service simulator as a process, and its request log.
#pragma once

#include "TempHome.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QUrlQuery>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <thread>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace zuvi::test {

inline bool waitFor(const std::function<bool()>& pred, int ms = 5000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return pred();
}

// A request seen by the simulator: its action ("RandCode", "Login" ...) and query parameters.
struct SimRequest {
    QString action;
    QUrlQuery query;
    QString param(const QString& name, QUrl::ComponentFormattingOptions f = QUrl::PrettyDecoded) const
    {
        return query.queryItemValue(name, f);
    }
};

// The service simulator on a free loopback port, with a fixture whose SIP server is `sipServer`.
class ServiceSim {
public:
    explicit ServiceSim(const QString& workDir, const QString& sipServer = QStringLiteral("127.0.0.1:5399"))
    {
        QFile in(QStringLiteral(ZUVI_SIM_FIXTURE));
        in.open(QIODevice::ReadOnly);
        QJsonObject root = QJsonDocument::fromJson(in.readAll()).object();
        root["sip_server"] = sipServer;
        m_fixture = workDir + "/accounts.json";
        QFile out(m_fixture);
        out.open(QIODevice::WriteOnly);
        out.write(QJsonDocument(root).toJson());
        out.close();
        m_proc.setProgram(QStringLiteral(ZUVI_SIM_EXE));
        m_proc.setArguments({"--port", "0", "--fixture", m_fixture});
        m_proc.setProcessChannelMode(QProcess::SeparateChannels);
        m_proc.start();
        m_proc.waitForStarted(5000);
        QByteArray first;
        for (int i = 0; i < 100 && !first.contains('\n'); ++i) {
            m_proc.waitForReadyRead(100);
            first += m_proc.readAllStandardOutput();
        }
        QRegularExpressionMatch m = QRegularExpression("listening on ([0-9.]+:[0-9]+)").match(QString::fromUtf8(first));
        if (m.hasMatch())
            m_host = m.captured(1);
        qputenv("ZUVI_API_HOST", m_host.toLocal8Bit());
        qputenv("ZUVI_API2_HOST", m_host.toLocal8Bit());
        qputenv("ZUVI_SITE_ROOT", QByteArray("http://site.test"));
    }
    ~ServiceSim()
    {
        m_proc.kill();
        m_proc.waitForFinished(3000);
    }
    bool running() const { return !m_host.isEmpty(); }
    const QString& host() const { return m_host; }

    // GET on the simulator's control paths ("/_sim/fault?action=RandCode&mode=refuse&count=2").
    QByteArray control(const QString& pathAndQuery) const
    {
        QProcess curl;
        curl.start(QStringLiteral("curl"), {"-s", "http://" + m_host + pathAndQuery});
        curl.waitForFinished(5000);
        return curl.readAllStandardOutput();
    }
    void fault(const QString& action, const QString& mode, int count = 0) const
    {
        QString q = "/_sim/fault?action=" + action + "&mode=" + mode;
        if (count > 0)
            q += "&count=" + QString::number(count);
        control(q);
    }
    QList<SimRequest> requests() const
    {
        QList<SimRequest> out;
        for (const QByteArray& line : control("/_sim/log").split('\n')) {
            if (line.trimmed().isEmpty())
                continue;
            QJsonObject o = QJsonDocument::fromJson(line).object();
            SimRequest r;
            r.query = QUrlQuery(o["query"].toString());
            r.action = r.query.queryItemValue("r").mid(3);
            out.push_back(r);
        }
        return out;
    }
    QStringList actions() const
    {
        QStringList a;
        for (const SimRequest& r : requests())
            a << r.action;
        return a;
    }

private:
    QProcess m_proc;
    QString m_fixture;
    QString m_host;
};

} // namespace zuvi::test
