// Contact dialogs' rules: the checks of a typed name and number, and the edit of one contact line.
#include "client/core/ContactInput.h"

namespace zuvi::client {

QString ContactInputError(const QString& name, const QString& number, bool (*isValidNumber)(const QString&))
{
    if (name.isEmpty() || number.isEmpty())
        return QStringLiteral("号码不可以空");
    if (!isValidNumber(number))
        return QStringLiteral("无效号码");
    if (name.size() > 10)
        return QStringLiteral("名字最多10个字符");
    if (number.size() > 20)
        return QStringLiteral("号吗最多20个字符");
    return {};
}

QStringList ReplaceContactLine(QStringList lines, int row, const QString& name, const QString& number)
{
    const int n = int(lines.size());
    for (int pass = 1; pass <= n; ++pass) {
        // A line split at its first "=" and joined again is the same text, so the line taken
        // goes back as it stands.
        const QString first = lines.takeFirst();
        lines.append(pass == row ? name + u'=' + number : first);
    }
    return lines;
}

} // namespace zuvi::client
