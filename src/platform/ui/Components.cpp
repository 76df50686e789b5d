// Desktop UI layer: non-visual components: pop-up menus, timers, picture lists, tray icon.
#include "Components.h"

#include "../os/Exception.h"
#include "Forms.h"

#include <QAction>
#include <QApplication>
#include <QImageReader>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>
#include <algorithm>

namespace zuvi::ui {

// ---- TMenuItem ----

TMenuItem::TMenuItem(TComponent* AOwner)
    : TComponent(AOwner)
{ }

TMenuItem::~TMenuItem()
{
    if (m_parentItem)
        m_parentItem->Remove(this);
    for (TMenuItem* i : m_items)
        i->m_parentItem = nullptr;
}

void TMenuItem::Add(TMenuItem* item)
{
    if (item->m_parentItem)
        item->m_parentItem->Remove(item);
    item->m_parentItem = this;
    m_items.push_back(item);
}

void TMenuItem::Remove(TMenuItem* item)
{
    m_items.erase(std::remove(m_items.begin(), m_items.end(), item), m_items.end());
    item->m_parentItem = nullptr;
}

void TMenuItem::LoadChild(TComponent* child)
{
    if (auto* item = dynamic_cast<TMenuItem*>(child)) {
        Add(item);
        return;
    }
    TComponent::LoadChild(child);
}

void TMenuItem::Click()
{
    if (OnClick)
        OnClick(this);
}

// ---- TPopupMenu ----

TPopupMenu::TPopupMenu(TComponent* AOwner)
    : TComponent(AOwner)
{ }

TPopupMenu::~TPopupMenu()
{
    for (int i = m_root.Count() - 1; i >= 0; --i)
        m_root.Remove(m_root.Items(i));
    delete m_menu.data();
}

void TPopupMenu::LoadChild(TComponent* child) { m_root.LoadChild(child); }

static void fillMenu(QMenu* menu, TMenuItem* parent)
{
    for (int i = 0; i < parent->Count(); ++i) {
        TMenuItem* item = parent->Items(i);
        if (!item->Visible())
            continue;
        if (item->IsSeparator()) {
            menu->addSeparator();
            continue;
        }
        if (item->Count() > 0) {
            QMenu* sub = menu->addMenu(item->Caption());
            sub->setEnabled(item->Enabled());
            fillMenu(sub, item);
            continue;
        }
        QAction* a = menu->addAction(item->Caption());
        a->setEnabled(item->Enabled());
        a->setObjectName(item->Name());
        QObject::connect(a, &QAction::triggered, [item] { Guard([&] { item->Click(); }); });
    }
}

void TPopupMenu::FillMenu(QMenu* menu, bool opening)
{
    if (opening && OnPopup)
        OnPopup(this);
    menu->clear();
    fillMenu(menu, &m_root);
}

void TPopupMenu::Popup(int x, int y)
{
    delete m_menu.data();
    m_menu = new QMenu;
    m_menu->setAttribute(Qt::WA_DeleteOnClose, false);
    FillMenu(m_menu);
    m_menu->popup(QPoint(x, y));
}

// ---- TTimer ----

TTimer::TTimer(TComponent* AOwner)
    : TComponent(AOwner)
    , m_timer(std::make_unique<QTimer>())
{
    m_timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_timer.get(), &QTimer::timeout, [this] { tick(); });
    update();
}

TTimer::~TTimer() { m_timer->stop(); }

void TTimer::update()
{
    if (m_enabled && m_interval > 0)
        m_timer->start(m_interval);
    else
        m_timer->stop();
}

void TTimer::SetEnabled(bool v)
{
    if (v == m_enabled)
        return;
    m_enabled = v;
    update();
}

void TTimer::SetInterval(int ms)
{
    if (ms == m_interval)
        return;
    m_interval = ms;
    update();
}

void TTimer::tick()
{
    if (!m_enabled || m_inHandler || !OnTimer)
        return;
    m_inHandler = true;
    Guard([&] { OnTimer(this); });
    m_inHandler = false;
}

// ---- TImageList ----

TImageList::TImageList(TComponent* AOwner)
    : TComponent(AOwner)
{ }

void TImageList::AddFromFile(const QString& path)
{
    QImageReader r(path);
    DecideFormatFromContent(r);
    QImage img = r.read();
    if (img.isNull())
        throw zuvi::Exception(QStringLiteral("Cannot load picture \"%1\"").arg(path));
    m_icons.push_back(QIcon(QPixmap::fromImage(img)));
}

QIcon TImageList::Icon(int index) const
{
    if (index < 0 || index >= Count())
        return QIcon();
    return m_icons[std::size_t(index)];
}

// ---- TTrayIcon ----

TTrayIcon::TTrayIcon(TComponent* AOwner)
    : TComponent(AOwner)
    , m_tray(std::make_unique<QSystemTrayIcon>())
{
    QObject::connect(m_tray.get(), &QSystemTrayIcon::activated,
        [this](QSystemTrayIcon::ActivationReason r) { activated(int(r)); });
}

// A second click within the interval makes the double click. XEmbed trays follow that second
// click with a DoubleClick of their own, which is then dropped; a DoubleClick that comes
// without a paired click is the double click.
void TTrayIcon::activated(int reason)
{
    const qint64 interval = QApplication::doubleClickInterval();
    if (reason == QSystemTrayIcon::Trigger) {
        if (OnClick)
            Guard([&] { OnClick(this); });
        if (m_firstClick.isValid() && m_firstClick.elapsed() <= interval) {
            m_firstClick.invalidate();
            m_pairedClick.start();
            Guard([&] { DblClick(); });
        } else {
            m_firstClick.start();
            m_pairedClick.invalidate();
        }
    } else if (reason == QSystemTrayIcon::DoubleClick) {
        const bool paired = m_pairedClick.isValid() && m_pairedClick.elapsed() <= interval;
        m_firstClick.invalidate();
        m_pairedClick.invalidate();
        if (!paired)
            Guard([&] { DblClick(); });
    }
}

TTrayIcon::~TTrayIcon()
{
    m_tray->hide();
    m_tray->setContextMenu(nullptr);
}

// The right-button menu is rebuilt from the pop-up menu's items each time it opens.
void TTrayIcon::SetPopupMenu(TPopupMenu* m)
{
    m_popupMenu = m;
    if (!m) {
        m_tray->setContextMenu(nullptr);
        m_menu.reset();
        return;
    }
    if (!m_menu) {
        m_menu = std::make_unique<QMenu>();
        QObject::connect(m_menu.get(), &QMenu::aboutToShow, [this] {
            if (m_popupMenu)
                Guard([&] { m_popupMenu->FillMenu(m_menu.get()); });
        });
    }
    m_popupMenu->FillMenu(m_menu.get(), false);
    m_tray->setContextMenu(m_menu.get());
}

QIcon TTrayIcon::CurrentIcon() const
{
    if (m_images && m_iconIndex >= 0 && m_iconIndex < m_images->Count())
        return m_images->Icon(m_iconIndex);
    return m_icon.Icon();
}

void TTrayIcon::update()
{
    QIcon icon = CurrentIcon();
    if (!icon.isNull())
        m_tray->setIcon(icon);
    // Shown without a tray too: the icon docks by itself once a tray appears.
    if (m_visible && !icon.isNull())
        m_tray->show();
    else
        m_tray->hide();
}

void TTrayIcon::SetImages(TImageList* list)
{
    m_images = list;
    update();
}

void TTrayIcon::SetIconIndex(int i)
{
    m_iconIndex = i;
    update();
}

void TTrayIcon::SetVisible(bool v)
{
    m_visible = v;
    update();
}

void TTrayIcon::SetHint(const QString& s)
{
    m_hint = s;
    m_tray->setToolTip(s);
}

void TTrayIcon::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

} // namespace zuvi::ui
