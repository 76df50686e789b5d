// Desktop UI layer: the form layout loader and the component class registry.
#include "Layout.h"

#include "../os/Exception.h"
#include "Components.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

namespace zuvi::ui {

void RegisterStandardClasses();

class LoadContext {
public:
    QString file;
    TCustomForm* form = nullptr;
    const FormBinding* binding = nullptr;
    std::vector<std::pair<std::function<void()>, int>> fixups;
    QSet<QString> skipped; // names of skipped blocks (unregistered classes, when allowed)
};

// ---- LayoutValue ----

void LayoutValue::fail(const QString& what) const
{
    throw zuvi::Exception(QStringLiteral("%1:%2: %3: %4").arg(m_ctx ? m_ctx->file : QString()).arg(m_line).arg(m_prop, what));
}

int LayoutValue::toInt() const
{
    bool ok = false;
    int v = m_text.toInt(&ok);
    if (!ok)
        fail(QStringLiteral("not a number: %1").arg(m_text));
    return v;
}

bool LayoutValue::toBool() const
{
    if (m_text == QLatin1String("true") || m_text == QLatin1String("True"))
        return true;
    if (m_text == QLatin1String("false") || m_text == QLatin1String("False"))
        return false;
    fail(QStringLiteral("not true or false: %1").arg(m_text));
}

static bool parseQuoted(const QString& s, int& pos, QString& out)
{
    if (pos >= s.size() || s[pos] != QLatin1Char('"'))
        return false;
    ++pos;
    out.clear();
    while (pos < s.size()) {
        QChar c = s[pos++];
        if (c == QLatin1Char('"'))
            return true;
        if (c == QLatin1Char('\\') && pos < s.size()) {
            QChar e = s[pos++];
            switch (e.unicode()) {
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case 'u': {
                bool ok = false;
                out += QChar(s.mid(pos, 4).toUShort(&ok, 16));
                if (!ok)
                    return false;
                pos += 4;
                break;
            }
            default:
                out += e;
                break;
            }
        } else {
            out += c;
        }
    }
    return false;
}

QString LayoutValue::toString() const
{
    if (!m_text.startsWith(QLatin1Char('"')))
        return m_text;
    int pos = 0;
    QString out;
    if (!parseQuoted(m_text, pos, out) || pos != m_text.size())
        fail(QStringLiteral("bad quoted text: %1").arg(m_text));
    return out;
}

TColor LayoutValue::toColor() const
{
    static const std::map<QString, TColor> names = {
        {QStringLiteral("clBlack"), clBlack}, {QStringLiteral("clMaroon"), clMaroon},
        {QStringLiteral("clGreen"), clGreen}, {QStringLiteral("clNavy"), clNavy},
        {QStringLiteral("clGray"), clGray}, {QStringLiteral("clSilver"), clSilver},
        {QStringLiteral("clRed"), clRed}, {QStringLiteral("clLime"), clLime},
        {QStringLiteral("clYellow"), clYellow}, {QStringLiteral("clBlue"), clBlue},
        {QStringLiteral("clFuchsia"), clFuchsia}, {QStringLiteral("clAqua"), clAqua},
        {QStringLiteral("clWhite"), clWhite}, {QStringLiteral("clWindow"), clWindow},
        {QStringLiteral("clWindowText"), clWindowText}, {QStringLiteral("clBtnFace"), clBtnFace},
        {QStringLiteral("clHighlight"), clHighlight}, {QStringLiteral("clNone"), clNone}};
    auto it = names.find(m_text);
    if (it != names.end())
        return it->second;
    bool ok = false;
    uint v = 0;
    if (m_text.startsWith(QLatin1String("0x")))
        v = m_text.mid(2).toUInt(&ok, 16);
    else if (m_text.startsWith(QLatin1Char('$')))
        v = m_text.mid(1).toUInt(&ok, 16);
    else
        v = m_text.toUInt(&ok, 10);
    if (!ok)
        fail(QStringLiteral("not a colour: %1").arg(m_text));
    return TColor(v);
}

QStringList LayoutValue::toStringList() const
{
    QString s = m_text;
    if (!s.startsWith(QLatin1Char('[')) || !s.endsWith(QLatin1Char(']')))
        fail(QStringLiteral("not a list [\"...\", ...]: %1").arg(m_text));
    QStringList out;
    int pos = 1;
    auto skip = [&] { while (pos < s.size() && s[pos].isSpace()) ++pos; };
    skip();
    if (pos < s.size() && s[pos] == QLatin1Char(']') && pos == s.size() - 1)
        return out;
    for (;;) {
        skip();
        QString item;
        if (!parseQuoted(s, pos, item))
            fail(QStringLiteral("bad list item in %1").arg(m_text));
        out.append(item);
        skip();
        if (pos < s.size() && s[pos] == QLatin1Char(',')) {
            ++pos;
            continue;
        }
        if (pos == s.size() - 1 && s[pos] == QLatin1Char(']'))
            return out;
        fail(QStringLiteral("bad list: %1").arg(m_text));
    }
}

QStringList LayoutValue::toWordSet() const
{
    QString s = m_text;
    if (!s.startsWith(QLatin1Char('[')) || !s.endsWith(QLatin1Char(']')))
        fail(QStringLiteral("not a set [a, b]: %1").arg(m_text));
    QStringList out;
    for (const QString& w : s.mid(1, s.size() - 2).split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!w.trimmed().isEmpty())
            out.append(w.trimmed());
    return out;
}

QString LayoutValue::toPath() const
{
    QString rel = toString();
    if (rel.isEmpty())
        fail(QStringLiteral("empty file name"));
    QString path = QDir(ResourceDir()).filePath(rel);
    if (!QFile::exists(path))
        fail(QStringLiteral("file not found: %1").arg(path));
    return path;
}

int LayoutValue::toEnum(std::initializer_list<std::pair<const char*, int>> names) const
{
    for (const auto& [n, v] : names)
        if (m_text == QLatin1String(n))
            return v;
    fail(QStringLiteral("unknown value: %1").arg(m_text));
}

const std::any* LayoutValue::findHandler() const
{
    const std::any* a = m_ctx && m_ctx->binding ? m_ctx->binding->findHandler(m_text) : nullptr;
    if (!a && m_ctx && m_ctx->binding && m_ctx->binding->acceptsAnyHandler()) {
        static const QRegularExpression ident(QStringLiteral("^[A-Za-z_]\\w*$"));
        if (!ident.match(m_text).hasMatch())
            fail(QStringLiteral("bad handler name %1").arg(m_text));
        return nullptr;
    }
    if (!a)
        fail(QStringLiteral("unknown handler %1").arg(m_text));
    return a;
}

void LayoutValue::toComponent(std::function<void(TComponent*)> apply) const
{
    auto* ctx = const_cast<LoadContext*>(m_ctx);
    LayoutValue self = *this;
    ctx->fixups.push_back({[self, apply, ctx] {
                               TComponent* c = ctx->form->FindComponent(self.m_text);
                               if (!c && ctx->skipped.contains(self.m_text))
                                   return;
                               if (!c)
                                   self.fail(QStringLiteral("unknown component %1").arg(self.m_text));
                               apply(c);
                           },
        m_line});
}

// ---- ClassRegistry ----

ClassRegistry::ClassRegistry() = default;

ClassRegistry& ClassRegistry::instance()
{
    static ClassRegistry* reg = new ClassRegistry;
    static bool standard = false;
    if (!standard) {
        standard = true;
        RegisterStandardClasses();
    }
    return *reg;
}

ClassRegistry::ClassInfo& ClassRegistry::add(const QString& name, const QString& base, Factory factory)
{
    ClassInfo& info = m_classes[name];
    info.name = name;
    info.base = base;
    info.factory = std::move(factory);
    return info;
}

const ClassRegistry::ClassInfo* ClassRegistry::find(const QString& name) const
{
    auto it = m_classes.find(name);
    return it == m_classes.end() ? nullptr : &it->second;
}

const ClassRegistry::Setter* ClassRegistry::findProperty(const QString& className, const QString& prop) const
{
    QSet<QString> seen;
    for (const ClassInfo* c = find(className); c && !seen.contains(c->name); c = find(c->base)) {
        seen.insert(c->name);
        auto it = c->properties.find(prop);
        if (it != c->properties.end())
            return &it->second;
    }
    return nullptr;
}

// ---- resource folder ----

static QString g_resourceDir;

// Beside the program in a build tree; PREFIX/share/zuvi for a program installed in PREFIX/bin.
QString ResourceDir()
{
    if (!g_resourceDir.isEmpty())
        return g_resourceDir;
    const QString exeDir = QCoreApplication::applicationDirPath();
    if (QFileInfo(exeDir + QStringLiteral("/forms")).isDir())
        return exeDir;
    const QString shared = QDir::cleanPath(exeDir + QStringLiteral("/../share/zuvi"));
    return QFileInfo(shared + QStringLiteral("/forms")).isDir() ? shared : exeDir;
}

void SetResourceDir(const QString& dir) { g_resourceDir = dir; }

// ---- loader ----

class LayoutLoader {
public:
    static void load(TCustomForm* form, const QString& text, const QString& file, const FormBinding& binding);
};

void LayoutLoader::load(TCustomForm* form, const QString& text, const QString& file, const FormBinding& binding)
{
    ClassRegistry& reg = ClassRegistry::instance();
    LoadContext ctx;
    ctx.file = file;
    ctx.form = form;
    ctx.binding = &binding;
    auto error = [&](int line, const QString& what) {
        throw zuvi::Exception(QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(what));
    };

    static const QRegularExpression openRe(QStringLiteral("^([A-Za-z_]\\w*)\\s+([A-Za-z_]\\w*)\\s*\\{$"));
    static const QRegularExpression propRe(QStringLiteral("^([A-Za-z_][\\w.]*)\\s*:\\s*(.*)$"));

    struct Frame {
        TComponent* comp; // nullptr: a skipped block of an unregistered class
        QString cls;
    };
    std::vector<Frame> stack;
    std::vector<TComponent*> created;
    bool rootDone = false;
    form->m_loading = true;

    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        int lineNo = i + 1;
        QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line == QLatin1String("}")) {
            if (stack.empty())
                error(lineNo, QStringLiteral("unmatched }"));
            stack.pop_back();
            if (stack.empty())
                rootDone = true;
            continue;
        }
        if (auto m = openRe.match(line); m.hasMatch()) {
            QString cls = m.captured(1), name = m.captured(2);
            if (stack.empty()) {
                if (rootDone)
                    error(lineNo, QStringLiteral("a layout holds one form"));
                form->SetName(name);
                stack.push_back({form, reg.find(cls) ? cls : QStringLiteral("TForm")});
                continue;
            }
            const ClassRegistry::ClassInfo* info = reg.find(cls);
            if (!info && binding.m_unknownClasses && !binding.m_unknownClasses->contains(cls))
                binding.m_unknownClasses->append(cls);
            if (!stack.back().comp || (!info && binding.m_unknownClasses)) {
                ctx.skipped.insert(name);
                stack.push_back({nullptr, cls}); // skipped, with everything inside it
                continue;
            }
            if (!info || !info->factory)
                error(lineNo, QStringLiteral("unknown class %1").arg(cls));
            if (form->FindComponent(name))
                error(lineNo, QStringLiteral("duplicate component name %1").arg(name));
            TComponent* c = info->factory(form);
            c->m_loading = true;
            c->SetName(name);
            created.push_back(c);
            try {
                stack.back().comp->LoadChild(c);
            } catch (const zuvi::Exception& e) {
                error(lineNo, e.message());
            }
            stack.push_back({c, cls});
            continue;
        }
        if (auto m = propRe.match(line); m.hasMatch()) {
            if (stack.empty())
                error(lineNo, QStringLiteral("property outside a component"));
            QString prop = m.captured(1);
            const Frame& f = stack.back();
            if (!f.comp)
                continue;
            const ClassRegistry::Setter* set = reg.findProperty(f.cls, prop);
            if (!set)
                error(lineNo, QStringLiteral("unknown property %1 of %2").arg(prop, f.cls));
            LayoutValue v(m.captured(2).trimmed(), &ctx, prop, lineNo);
            try {
                (*set)(*f.comp, v);
            } catch (const zuvi::Exception& e) {
                if (e.message().startsWith(file + QLatin1Char(':')))
                    throw;
                error(lineNo, QStringLiteral("%1: %2").arg(prop, e.message()));
            }
            continue;
        }
        error(lineNo, QStringLiteral("syntax error: %1").arg(line));
    }
    if (!stack.empty())
        error(int(lines.size()), QStringLiteral("missing }"));
    if (!rootDone)
        error(1, QStringLiteral("no form in layout"));
    for (auto& [fix, line] : ctx.fixups)
        fix();
    for (const FormBinding::Field& fld : binding.m_fields) {
        TComponent* c = form->FindComponent(fld.name);
        if (!c)
            throw zuvi::Exception(QStringLiteral("%1: component %2 is missing").arg(file, fld.name));
        if (!fld.bind(c))
            throw zuvi::Exception(QStringLiteral("%1: component %2 has the wrong class %3").arg(file, fld.name, c->ClassName()));
    }
    for (TComponent* c : created)
        c->m_loading = false;
    form->m_loading = false;
    for (TComponent* c : created)
        c->Loaded();
    form->Loaded();
}

void LoadFormLayoutText(TCustomForm* form, const QString& text, const QString& file, const FormBinding& binding)
{
    LayoutLoader::load(form, text, file, binding);
}

void LoadFormLayout(TCustomForm* form, const QString& file, const FormBinding& binding)
{
    QString path = QDir(ResourceDir()).filePath(QStringLiteral("forms/") + file);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw zuvi::Exception(QStringLiteral("Cannot open form layout %1").arg(path));
    LayoutLoader::load(form, QString::fromUtf8(f.readAll()), file, binding);
}

} // namespace zuvi::ui
