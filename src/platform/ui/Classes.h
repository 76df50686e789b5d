// Desktop UI layer: the object root, owned components and string lists.
#pragma once

#include "Types.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace zuvi::os {
enum class TextEncoding;
}

namespace zuvi::ui {

class TObject {
public:
    virtual ~TObject() = default;
    // Class name as used by the layout files ("TLabel", "TssSkinButton").
    virtual QString ClassName() const { return QStringLiteral("TObject"); }
};

// A component is destroyed by its owner, the last created first. Destroy components with
// Free() (or let the owner do it): it runs BeforeDestruction (a form's OnDestroy) while the
// whole object still exists; a plain delete runs it from the base destructor.
class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    QString ClassName() const override { return QStringLiteral("TComponent"); }
    TComponent* Owner() const { return m_owner; }
    const QString& Name() const { return m_name; }
    virtual void SetName(const QString& name);
    int Tag() const { return m_tag; }
    void SetTag(int tag) { m_tag = tag; }

    int ComponentCount() const { return int(m_components.size()); }
    TComponent* Components(int index) const { return m_components.at(std::size_t(index)); }
    TComponent* FindComponent(const QString& name) const;

    // True while the layout loader builds this component (between creation and Loaded()).
    bool Loading() const { return m_loading; }
    // Called once the whole layout this component belongs to has been loaded.
    virtual void Loaded() { }
    // Accepts a component nested under this one in a layout file; throws zuvi::Exception when
    // this class takes no such child. Controls become children of windowed controls.
    virtual void LoadChild(TComponent* child);

    // Runs BeforeDestruction, then deletes the object.
    void Free();
    // Destroys the owned components, the last created first.
    void DestroyComponents();

protected:
    virtual void BeforeDestruction() { }
    // Runs BeforeDestruction once (destructors of classes with such a hook call it).
    void RunBeforeDestruction();

private:
    friend class LayoutLoader;
    TComponent* m_owner = nullptr;
    std::vector<TComponent*> m_components;
    QString m_name;
    int m_tag = 0;
    bool m_loading = false;
    bool m_beforeDone = false;
};

// A list of text lines; "name=value" lines split at their first "=".
class TStrings {
public:
    virtual ~TStrings() = default;
    int Count() const { return int(m_list.size()); }
    QString Strings(int index) const { return m_list.at(index); }
    QString operator[](int index) const { return m_list.at(index); }
    void SetStrings(int index, const QString& s);
    int Add(const QString& s);
    void Insert(int index, const QString& s);
    void Delete(int index);
    void Clear();
    int IndexOf(const QString& s) const { return int(m_list.indexOf(s)); }
    void Exchange(int a, int b);
    // Name = text before the first "=", value = text after it; both empty for a line without "=".
    QString Names(int index) const;
    QString ValueFromIndex(int index) const;
    int IndexOfName(const QString& name) const;
    QString Values(const QString& name) const;
    void SetValues(const QString& name, const QString& value);
    // Lines joined with CR LF, each line ended by one.
    QString Text() const;
    void SetText(const QString& text);
    QStringList ToList() const { return m_list; }
    void Assign(const QStringList& lines);
    void Assign(const TStrings& other) { Assign(other.m_list); }
    // Text list file: every line ended by CR LF, in the ANSI code page, or in the encoding with
    // byte-order mark the file was read in. LoadFromFile throws zuvi::Exception when the file
    // cannot be read; SaveToFile writes in the encoding of the last load and throws on failure.
    void LoadFromFile(const QString& path);
    void SaveToFile(const QString& path) const;
    zuvi::os::TextEncoding Encoding() const { return m_encoding; }
    void SetEncoding(zuvi::os::TextEncoding e) { m_encoding = e; }
    void BeginUpdate() { ++m_updating; }
    void EndUpdate();

    // Raised after every change (once per EndUpdate while updating).
    std::function<void()> OnChange;

private:
    void Changed();
    QStringList m_list;
    zuvi::os::TextEncoding m_encoding{};
    int m_updating = 0;
    bool m_dirty = false;
};

class TStringList : public TStrings { };

} // namespace zuvi::ui
