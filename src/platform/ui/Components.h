// Desktop UI layer: non-visual components: pop-up menus, timers, picture lists, tray icon.
#pragma once

#include "Classes.h"
#include "Graphics.h"

#include <QElapsedTimer>
#include <QPointer>
#include <memory>
#include <vector>

#include <QMenu>
class QTimer;
class QSystemTrayIcon;

namespace zuvi::ui {

// Menu item; the caption "-" makes a separator.
class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;
    QString ClassName() const override { return QStringLiteral("TMenuItem"); }
    QString Caption() const { return m_caption; }
    void SetCaption(const QString& s) { m_caption = s; }
    bool IsSeparator() const { return m_caption == QStringLiteral("-"); }
    bool Visible() const { return m_visible; }
    void SetVisible(bool v) { m_visible = v; }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool v) { m_enabled = v; }
    int Count() const { return int(m_items.size()); }
    TMenuItem* Items(int i) const { return m_items.at(std::size_t(i)); }
    void Add(TMenuItem* item);
    void Remove(TMenuItem* item);
    TMenuItem* Parent() const { return m_parentItem; }
    void LoadChild(TComponent* child) override;
    // Raises OnClick (as choosing the item does).
    virtual void Click();

    TNotifyEvent OnClick;

private:
    std::vector<TMenuItem*> m_items;
    TMenuItem* m_parentItem = nullptr;
    QString m_caption;
    bool m_visible = true;
    bool m_enabled = true;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    QString ClassName() const override { return QStringLiteral("TPopupMenu"); }
    TMenuItem* Items() { return &m_root; }
    void LoadChild(TComponent* child) override;
    // Opens the menu with its top-left corner at a screen point and returns at once; a chosen
    // item raises its OnClick later from the message loop.
    void Popup(int x, int y);
    // The menu shown by the last Popup (nullptr before); tests choose items through it.
    QMenu* Menu() const { return m_menu.data(); }
    // Fills a Qt menu with the current items (the tray icon's menu), raising OnPopup first
    // when asked to (the menu is about to open).
    void FillMenu(QMenu* menu, bool opening = true);
    bool AutoHotkeys = false;

    TNotifyEvent OnPopup;

private:
    TMenuItem m_root{nullptr};
    QPointer<QMenu> m_menu;
};

// Timer on the UI thread. A disabled timer never fires; enabling an enabled timer does not
// restart its period; changing Interval of an enabled timer restarts it. A timer's handler is
// not entered again while it runs (ticks meanwhile are dropped).
class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    QString ClassName() const override { return QStringLiteral("TTimer"); }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool v);
    int Interval() const { return m_interval; }
    void SetInterval(int ms);

    TNotifyEvent OnTimer;

private:
    void update();
    void tick();
    std::unique_ptr<QTimer> m_timer;
    bool m_enabled = true;
    bool m_inHandler = false;
    int m_interval = 1000;
};

// List of equally sized pictures.
class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* AOwner);
    QString ClassName() const override { return QStringLiteral("TImageList"); }
    int Count() const { return int(m_icons.size()); }
    // Adds a picture file (icon, BMP or PNG); throws zuvi::Exception when unreadable.
    void AddFromFile(const QString& path);
    void AddIcon(const QIcon& icon) { m_icons.push_back(icon); }
    void Clear() { m_icons.clear(); }
    QIcon Icon(int index) const;

private:
    std::vector<QIcon> m_icons;
};

// Notification-area icon. With Images set, IconIndex selects the picture shown; otherwise Icon.
// Every left click raises OnClick; two within the double-click interval raise OnDblClick once
// (StatusNotifier hosts report single activations only, XEmbed trays report both).
class TTrayIcon : public TComponent {
public:
    explicit TTrayIcon(TComponent* AOwner);
    ~TTrayIcon() override;
    QString ClassName() const override { return QStringLiteral("TTrayIcon"); }
    TIcon* Icon() { return &m_icon; }
    void IconChanged() { update(); }
    TImageList* Images() const { return m_images; }
    void SetImages(TImageList* list);
    int IconIndex() const { return m_iconIndex; }
    void SetIconIndex(int i);
    TPopupMenu* PopupMenu() const { return m_popupMenu; }
    void SetPopupMenu(TPopupMenu* m);
    bool Visible() const { return m_visible; }
    void SetVisible(bool v);
    QString Hint() const { return m_hint; }
    void SetHint(const QString& s);
    // The icon currently given to the notification area.
    QIcon CurrentIcon() const;
    // Raises OnDblClick (as a double click on the icon does).
    void DblClick();
    // The Qt icon behind it (tests drive activations through it).
    QSystemTrayIcon* SystemTrayIcon() const { return m_tray.get(); }

    TNotifyEvent OnDblClick;
    TNotifyEvent OnClick;

private:
    void update();
    void activated(int reason);
    QElapsedTimer m_firstClick; // running from an unpaired click
    QElapsedTimer m_pairedClick; // running from the click that made a double click
    std::unique_ptr<QSystemTrayIcon> m_tray;
    std::unique_ptr<QMenu> m_menu;
    TIcon m_icon;
    TImageList* m_images = nullptr;
    TPopupMenu* m_popupMenu = nullptr;
    int m_iconIndex = 0;
    bool m_visible = false;
    QString m_hint;
};

} // namespace zuvi::ui
