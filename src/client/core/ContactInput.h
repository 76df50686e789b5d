// Contact dialogs' rules: the checks of a typed name and number, and the edit of one contact line.
#pragma once

#include <QString>
#include <QStringList>

namespace zuvi::client {

// The message of the first failing check of a typed contact, or an empty text when all pass.
// Texts are taken as typed; lengths count UTF-16 code units. isValidNumber is the dialling
// rule for numbers.
QString ContactInputError(const QString& name, const QString& number, bool (*isValidNumber)(const QString&));

// The contact lines after the edit of the line shown in grid row `row` (the first line is
// row 1): N passes that each take the first line and append it again, or the new name "="
// number in pass `row`. Every other line keeps its text and its place, malformed ones (empty,
// without "=", with an empty number) included; a row outside the lines changes nothing.
QStringList ReplaceContactLine(QStringList lines, int row, const QString& name, const QString& number);

} // namespace zuvi::client
