// Small system services: sleep, Delphi-style date-times, locale collation.
#include "services.h"

#include <QCollator>
#include <QLocale>
#include <QThread>
#include <cmath>

namespace zuvi::os {
namespace {

constexpr qint64 kMsPerDay = 86400000;
const QDate kEpoch(1899, 12, 30);

bool isCLocale(const QLocale& l)
{
    return l.language() == QLocale::C;
}

QString separatorIn(const QString& format, const QString& fallback)
{
    bool quoted = false;
    for (QChar c : format) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted || c.isLetter())
            continue;
        return c.isSpace() ? fallback : QString(c);
    }
    return fallback;
}

QString pad(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QChar(u'0'));
}

struct Parts {
    QDate date;
    int hour, minute, second, ms;
};

Parts decode(TDateTime value)
{
    if (!std::isfinite(value))
        value = 0;
    qint64 day;
    qint64 timeMs;
    if (value >= 0) {
        const qint64 total = std::llround(value * double(kMsPerDay));
        day = total / kMsPerDay;
        timeMs = total % kMsPerDay;
    } else { // negative values: whole days before the epoch, the fraction counts forward
        day = qint64(std::trunc(value));
        timeMs = std::llround(std::fabs(value - double(day)) * double(kMsPerDay));
        if (timeMs >= kMsPerDay)
            timeMs = kMsPerDay - 1;
    }
    Parts p;
    p.date = kEpoch.addDays(day);
    p.hour = int(timeMs / 3600000);
    p.minute = int(timeMs / 60000 % 60);
    p.second = int(timeMs / 1000 % 60);
    p.ms = int(timeMs % 1000);
    return p;
}

} // namespace

void sleepMs(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

TDateTime toTDateTime(const QDateTime& local)
{
    const QDateTime dt = local.toLocalTime();
    return double(kEpoch.daysTo(dt.date())) + double(dt.time().msecsSinceStartOfDay()) / double(kMsPerDay);
}

TDateTime now()
{
    return toTDateTime(QDateTime::currentDateTime());
}

QDateTime fromTDateTime(TDateTime value)
{
    const Parts p = decode(value);
    return QDateTime(p.date, QTime(p.hour, p.minute, p.second, p.ms));
}

QString dateSeparator()
{
    const QLocale l = QLocale::system();
    return isCLocale(l) ? QStringLiteral("/") : separatorIn(l.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
}

QString timeSeparator()
{
    const QLocale l = QLocale::system();
    return isCLocale(l) ? QStringLiteral(":") : separatorIn(l.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
}

QString formatDateTime(const QString& format, TDateTime value)
{
    const Parts p = decode(value);
    const QLocale locale = QLocale::system();
    QString out;
    char16_t lastToken = 0;
    qsizetype i = 0;
    const qsizetype n = format.size();
    while (i < n) {
        const QChar c = format[i];
        if (c == u'"' || c == u'\'') {
            qsizetype end = format.indexOf(c, i + 1);
            if (end < 0)
                end = n;
            out += format.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (c == u'/') {
            out += dateSeparator();
            ++i;
            continue;
        }
        if (c == u':') {
            out += timeSeparator();
            ++i;
            continue;
        }
        const char16_t token = c.toUpper().unicode();
        if (!(token >= u'A' && token <= u'Z')) {
            out += c;
            ++i;
            continue;
        }
        qsizetype count = 1;
        while (i + count < n && format[i + count].toUpper() == c.toUpper())
            ++count;
        char16_t t = (token == u'M' && lastToken == u'H') ? u'N' : token;
        switch (t) {
        case u'Y':
            out += count <= 2 ? pad(p.date.year() % 100, 2) : pad(p.date.year(), 4);
            break;
        case u'M':
            if (count <= 2)
                out += count == 1 ? QString::number(p.date.month()) : pad(p.date.month(), 2);
            else
                out += locale.monthName(p.date.month(), count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case u'D':
            if (count <= 2)
                out += count == 1 ? QString::number(p.date.day()) : pad(p.date.day(), 2);
            else
                out += locale.dayName(p.date.dayOfWeek(), count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case u'H':
            out += count == 1 ? QString::number(p.hour) : pad(p.hour, 2);
            break;
        case u'N':
            out += count == 1 ? QString::number(p.minute) : pad(p.minute, 2);
            break;
        case u'S':
            out += count == 1 ? QString::number(p.second) : pad(p.second, 2);
            break;
        case u'Z':
            out += count == 1 ? QString::number(p.ms) : pad(p.ms, 3);
            break;
        default:
            out += format.mid(i, count);
            break;
        }
        lastToken = token;
        i += count;
    }
    return out;
}

namespace {
QCollator& localeCollator()
{
    thread_local QCollator collator = [] {
        QCollator c(QLocale::system());
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    return collator;
}
} // namespace

int localeCompare(const QString& a, const QString& b)
{
    if (a.isEmpty() || b.isEmpty())
        return (a.isEmpty() ? 0 : 1) - (b.isEmpty() ? 0 : 1);
    return localeCollator().compare(a, b);
}

QCollatorSortKey localeSortKey(const QString& text) { return localeCollator().sortKey(text); }

} // namespace zuvi::os
