// Desktop UI layer: owned components and string lists.
#include "Classes.h"

#include "../os/Exception.h"
#include "../os/textlist.h"

#include <QApplication>
#include <QPalette>
#include <algorithm>

namespace zuvi::ui {

QColor ToQColor(TColor c)
{
    if ((c & 0xFF000000u) == clSystemColor) {
        QPalette pal = qApp ? QApplication::palette() : QPalette();
        switch (c & 0xFF) {
        case 5:
            return pal.color(QPalette::Base);
        case 8:
            return pal.color(QPalette::Text);
        case 13:
            return pal.color(QPalette::Highlight);
        case 15:
            return pal.color(QPalette::Window);
        default:
            return pal.color(QPalette::Window);
        }
    }
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

TComponent::TComponent(TComponent* AOwner)
    : m_owner(AOwner)
{
    if (m_owner)
        m_owner->m_components.push_back(this);
}

TComponent::~TComponent()
{
    RunBeforeDestruction();
    DestroyComponents();
    if (m_owner) {
        auto& v = m_owner->m_components;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        m_owner = nullptr;
    }
}

void TComponent::RunBeforeDestruction()
{
    if (m_beforeDone)
        return;
    m_beforeDone = true;
    BeforeDestruction();
}

void TComponent::Free()
{
    RunBeforeDestruction();
    delete this;
}

void TComponent::DestroyComponents()
{
    while (!m_components.empty()) {
        TComponent* c = m_components.back();
        c->Free(); // removes itself from m_components
    }
}

void TComponent::SetName(const QString& name) { m_name = name; }

TComponent* TComponent::FindComponent(const QString& name) const
{
    for (TComponent* c : m_components)
        if (c->m_name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return nullptr;
}

void TComponent::LoadChild(TComponent* child)
{
    throw zuvi::Exception(QStringLiteral("%1 cannot hold %2").arg(ClassName(), child->ClassName()));
}

void TStrings::Changed()
{
    if (m_updating > 0) {
        m_dirty = true;
        return;
    }
    if (OnChange)
        OnChange();
}

void TStrings::EndUpdate()
{
    if (m_updating > 0 && --m_updating == 0 && m_dirty) {
        m_dirty = false;
        Changed();
    }
}

void TStrings::SetStrings(int index, const QString& s)
{
    m_list[index] = s;
    Changed();
}

int TStrings::Add(const QString& s)
{
    m_list.append(s);
    Changed();
    return Count() - 1;
}

void TStrings::Insert(int index, const QString& s)
{
    m_list.insert(index, s);
    Changed();
}

void TStrings::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw zuvi::Exception(QStringLiteral("List index out of bounds (%1)").arg(index));
    m_list.removeAt(index);
    Changed();
}

void TStrings::Clear()
{
    if (m_list.isEmpty())
        return;
    m_list.clear();
    Changed();
}

void TStrings::Exchange(int a, int b)
{
    m_list.swapItemsAt(a, b);
    Changed();
}

QString TStrings::Names(int index) const
{
    const QString& s = m_list.at(index);
    int eq = int(s.indexOf(QLatin1Char('=')));
    return eq < 0 ? QString() : s.left(eq);
}

QString TStrings::ValueFromIndex(int index) const
{
    const QString& s = m_list.at(index);
    int eq = int(s.indexOf(QLatin1Char('=')));
    return eq < 0 ? QString() : s.mid(eq + 1);
}

int TStrings::IndexOfName(const QString& name) const
{
    for (int i = 0; i < Count(); ++i) {
        int eq = int(m_list[i].indexOf(QLatin1Char('=')));
        if (eq >= 0 && m_list[i].left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TStrings::Values(const QString& name) const
{
    int i = IndexOfName(name);
    return i < 0 ? QString() : ValueFromIndex(i);
}

void TStrings::SetValues(const QString& name, const QString& value)
{
    int i = IndexOfName(name);
    if (i < 0)
        Add(name + QLatin1Char('=') + value);
    else
        SetStrings(i, name + QLatin1Char('=') + value);
}

QString TStrings::Text() const
{
    QString t;
    for (const QString& s : m_list)
        t += s + QStringLiteral("\r\n");
    return t;
}

void TStrings::SetText(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = t.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    Assign(lines);
}

void TStrings::LoadFromFile(const QString& path)
{
    zuvi::os::TextList t;
    if (!t.load(path))
        throw zuvi::Exception(QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(path));
    m_encoding = t.encoding;
    Assign(t.lines);
}

void TStrings::SaveToFile(const QString& path) const
{
    zuvi::os::TextList t;
    t.lines = m_list;
    t.encoding = m_encoding;
    t.save(path);
}

void TStrings::Assign(const QStringList& lines)
{
    m_list = lines;
    Changed();
}

} // namespace zuvi::ui
