// Desktop UI layer: the form layout loader, the component class registry and handler tables.
#pragma once

#include "Classes.h"
#include "Types.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <any>
#include <functional>
#include <map>
#include <memory>
#include <typeinfo>
#include <vector>

namespace zuvi::ui {

class TCustomForm;
class LoadContext;

// Names a form's event handlers and component fields for its layout.
//   FormBinding b;
//   b.handler("FormCreate", this, &TForm1::FormCreate);
//   b.field("Label1", Label1);
class FormBinding {
public:
    template<class C, class... A>
    FormBinding& handler(const QString& name, C* obj, void (C::*method)(A...))
    {
        m_handlers[name] = std::function<void(A...)>([obj, method](A... a) { (obj->*method)(a...); });
        return *this;
    }
    template<class... A>
    FormBinding& handler(const QString& name, std::function<void(A...)> fn)
    {
        m_handlers[name] = std::move(fn);
        return *this;
    }
    // After loading, ref points to the component of that name (checked with dynamic_cast).
    template<class T>
    FormBinding& field(const QString& name, T*& ref)
    {
        m_fields.push_back({name, [&ref](TComponent* c) {
                                ref = dynamic_cast<T*>(c);
                                return ref != nullptr;
                            }});
        return *this;
    }
    bool hasHandler(const QString& name) const { return m_handlers.count(name) != 0; }
    // For checking layouts without their form class: every handler name binds to nothing.
    FormBinding& acceptAnyHandler(bool on = true)
    {
        m_anyHandler = on;
        return *this;
    }
    bool acceptsAnyHandler() const { return m_anyHandler; }
    // For checking layouts without the libraries of all their classes: a block of a class that
    // is not registered is recorded in *classes and skipped, properties and children included.
    FormBinding& skipUnknownClasses(QStringList* classes)
    {
        m_unknownClasses = classes;
        return *this;
    }
    const std::any* findHandler(const QString& name) const
    {
        auto it = m_handlers.find(name);
        return it == m_handlers.end() ? nullptr : &it->second;
    }

private:
    friend class LayoutLoader;
    struct Field {
        QString name;
        std::function<bool(TComponent*)> bind;
    };
    std::map<QString, std::any> m_handlers;
    std::vector<Field> m_fields;
    bool m_anyHandler = false;
    QStringList* m_unknownClasses = nullptr;
};

// One "Name: value" line of a layout, with conversions. Every conversion throws
// zuvi::Exception naming the file and line when the text does not fit.
class LayoutValue {
public:
    LayoutValue(QString text, const LoadContext* ctx, QString prop, int line)
        : m_text(std::move(text))
        , m_ctx(ctx)
        , m_prop(std::move(prop))
        , m_line(line)
    { }
    const QString& raw() const { return m_text; }
    int toInt() const;
    bool toBool() const;
    // A "quoted" text (escapes \" \\ \n \t \uXXXX) or a bare word.
    QString toString() const;
    // Colour: clName, 0xBBGGRR, $BBGGRR or decimal.
    TColor toColor() const;
    // A list of texts: ["a", "b"] (an empty list is []).
    QStringList toStringList() const;
    // A file relative to the resource folder, returned as an absolute path.
    QString toPath() const;
    // A set of words: [fsBold, fsUnderline].
    QStringList toWordSet() const;
    // One of the given words.
    int toEnum(std::initializer_list<std::pair<const char*, int>> names) const;
    // The bound handler of the named method, of the event type E.
    template<class E>
    E toHandler() const
    {
        const std::any* a = findHandler();
        if (!a)
            return E();
        if (const E* e = std::any_cast<E>(a))
            return *e;
        fail(QStringLiteral("handler %1 has the wrong signature for %2").arg(m_text, m_prop));
        return E();
    }
    // Calls apply with the component of that name once the whole layout is loaded.
    void toComponent(std::function<void(TComponent*)> apply) const;
    [[noreturn]] void fail(const QString& what) const;

private:
    const std::any* findHandler() const;
    QString m_text;
    const LoadContext* m_ctx;
    QString m_prop;
    int m_line;
};

// Registration of a component class with the loader.
//   RegisterClass<TssSkinButton>("TssSkinButton", "TCustomControl")
//       .property("DivNum", [](TssSkinButton& b, const LayoutValue& v) { b.SetDivNum(v.toInt()); });
// A class inherits the properties of its base class name.
class ClassRegistry {
public:
    using Setter = std::function<void(TComponent&, const LayoutValue&)>;
    using Factory = std::function<TComponent*(TComponent* owner)>;
    struct ClassInfo {
        QString name;
        QString base;
        Factory factory; // empty for abstract classes
        std::map<QString, Setter> properties;
    };
    static ClassRegistry& instance();
    ClassInfo& add(const QString& name, const QString& base, Factory factory);
    const ClassInfo* find(const QString& name) const;
    // Looks the property up along the base classes.
    const Setter* findProperty(const QString& className, const QString& prop) const;

private:
    ClassRegistry();
    std::map<QString, ClassInfo> m_classes;
};

template<class T>
class ClassRegistration {
public:
    explicit ClassRegistration(ClassRegistry::ClassInfo& info)
        : m_info(info)
    { }
    ClassRegistration& property(const QString& name, std::function<void(T&, const LayoutValue&)> set)
    {
        m_info.properties[name] = [set](TComponent& c, const LayoutValue& v) {
            T* t = dynamic_cast<T*>(&c);
            if (!t)
                v.fail(QStringLiteral("component is not a %1").arg(QString::fromLatin1(typeid(T).name())));
            set(*t, v);
        };
        return *this;
    }

private:
    ClassRegistry::ClassInfo& m_info;
};

// Registers a class that the loader may create (T needs a constructor taking the owner).
template<class T>
ClassRegistration<T> RegisterClass(const QString& name, const QString& base)
{
    return ClassRegistration<T>(ClassRegistry::instance().add(
        name, base, [](TComponent* owner) -> TComponent* { return new T(owner); }));
}
// Registers properties for a class the loader does not create (a form base, an abstract class).
template<class T>
ClassRegistration<T> RegisterAbstractClass(const QString& name, const QString& base)
{
    return ClassRegistration<T>(ClassRegistry::instance().add(name, base, {}));
}

// Folder that layouts (forms/NAME) and picture paths are relative to. Default: the program's
// folder. Tests point it at the repository's resources folder.
QString ResourceDir();
void SetResourceDir(const QString& dir);

// Builds a form from resources/forms/<file>: the root block's properties apply to the form, nested
// blocks create components owned by the form (controls get the enclosing control as parent),
// everything in stored order. Throws zuvi::Exception on an unknown class, property or handler,
// a syntax error, or a bound field missing from the layout.
void LoadFormLayout(TCustomForm* form, const QString& file, const FormBinding& binding);
// Same, from layout text (file names the source in error messages).
void LoadFormLayoutText(TCustomForm* form, const QString& text, const QString& file,
    const FormBinding& binding);

} // namespace zuvi::ui
