// Test stand-in for a desktop's StatusNotifierWatcher with a host registered: prints "registered <service>"
// for every notification-area item that registers.
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusInterface>
#include <QTimer>
#include <cstdio>

class Watcher : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    explicit Watcher(QObject* parent)
        : QDBusAbstractAdaptor(parent)
    { }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }
public slots:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& msg)
    {
        QString s = service.startsWith('/') ? msg.service() : service;
        m_items << s;
        std::printf("registered %s\n", qPrintable(s));
        std::fflush(stdout);
        emit StatusNotifierItemRegistered(s);
    }
    void RegisterStatusNotifierHost(const QString&) { }
signals:
    void StatusNotifierItemRegistered(const QString&);
    void StatusNotifierItemUnregistered(const QString&);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QObject root;
    new Watcher(&root);
    auto bus = QDBusConnection::sessionBus();
    bus.registerObject("/StatusNotifierWatcher", &root, QDBusConnection::ExportAdaptors);
    if (!bus.registerService("org.kde.StatusNotifierWatcher")) {
        std::printf("no name\n");
        return 1;
    }
    std::printf("watching\n");
    std::fflush(stdout);
    return app.exec();
}
#include "sni_watcher.moc"
