// Contact order at login: the same order as the list's exchange sort, ties and duplicates included.
#include "client/core/ContactSort.h"

#include "platform/os/services.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <random>

using zuvi::client::sortContactLines;

namespace {

// The exchange sort the list was sorted with: every later line that compares smaller is swapped
// into the current position.
std::vector<QString> exchangeSort(std::vector<QString> work)
{
    for (std::size_t i = 0; i < work.size(); ++i) {
        QString current = work[i];
        for (std::size_t j = i + 1; j < work.size(); ++j) {
            if (zuvi::os::localeCompare(current, work[j]) > 0) {
                work[i] = work[j];
                work[j] = current;
                current = work[i];
            }
        }
    }
    return work;
}

// Short lines over an alphabet with characters the collation ignores or folds (zero-width space,
// soft hyphen, a combining accent beside the precomposed letter), so that many distinct lines
// compare equal; empty lines and exact duplicates come up too.
std::vector<QString> randomLines(std::mt19937& rng, std::size_t n)
{
    static const QString alphabet[] = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("A"),
        QStringLiteral("="), QStringLiteral("1"), QString(QChar(0x200B)), QString(QChar(0x00AD)),
        QString(QChar(0x00E9)), QStringLiteral("e") + QChar(0x0301), QString(QChar(0x5F20))};
    std::uniform_int_distribution<int> len(0, 4), pick(0, int(std::size(alphabet)) - 1);
    std::vector<QString> lines;
    for (std::size_t i = 0; i < n; ++i) {
        QString s;
        for (int k = len(rng); k > 0; --k)
            s += alphabet[pick(rng)];
        lines.push_back(s);
    }
    return lines;
}

} // namespace

TEST(ContactSort, SameOrderAsTheExchangeSortOnRandomLists)
{
    std::mt19937 rng(20261210);
    std::uniform_int_distribution<std::size_t> size(0, 80);
    int tiedDistinct = 0; // lists where distinct lines compared equal: the case that needs care
    for (int trial = 0; trial < 400; ++trial) {
        const std::vector<QString> lines = randomLines(rng, size(rng));
        const std::vector<QString> want = exchangeSort(lines);
        ASSERT_EQ(sortContactLines(lines), want) << "trial " << trial << " in " << qPrintable(QLocale::system().name());
        for (std::size_t i = 1; i < want.size(); ++i) {
            if (want[i] != want[i - 1] && zuvi::os::localeCompare(want[i], want[i - 1]) == 0) {
                ++tiedDistinct;
                break;
            }
        }
    }
    // In the C locale nothing distinct compares equal; under a real collation most lists have ties.
    if (QLocale::system().name() != QLatin1String("C")) {
        EXPECT_GT(tiedDistinct, 100);
    }
}

TEST(ContactSort, LongListWithContactLines)
{
    std::mt19937 rng(7);
    std::vector<QString> lines = randomLines(rng, 1500);
    std::uniform_int_distribution<int> digit(0, 9);
    for (QString& s : lines)
        if (digit(rng) < 7)
            s = QStringLiteral("%1=13%2").arg(s).arg(digit(rng) * 11);
    EXPECT_EQ(sortContactLines(lines), exchangeSort(lines));
}
