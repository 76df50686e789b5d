// Client core: the contact list's order at login (the user's collation, duplicates kept).
//
// The exchange sort puts the smallest remaining line at each position; where several lines
// compare equal, their order comes out of the swaps. Two facts give that order without the
// quadratic passes:
// - the lines that compare equal to some value v move among themselves exactly as they would
//   in the exchange sort of only the lines ≤ v (lines greater than v never displace them);
// - in that sort, while smaller lines remain, each pass places one of them; if the remaining
//   part starts with a run of lines equal to v, the first of the run moves to the end of the
//   run, and otherwise nothing equal to v moves. A line equal to v joins the run once every
//   smaller line in front of it has been placed.
// So each class of equal lines is a queue that turns once per smaller line and grows as its
// members' smaller predecessors are used up.
#include "client/core/ContactSort.h"

#include "platform/os/services.h"

#include <QCollatorSortKey>

#include <algorithm>
#include <cstddef>
#include <numeric>
#include <optional>

namespace zuvi::client {
namespace {

// Counts of ranks seen so far (a Fenwick tree): how many earlier lines rank lower.
class RankCounter {
public:
    explicit RankCounter(std::size_t ranks)
        : m_tree(ranks + 1, 0)
    { }
    void add(std::size_t rank)
    {
        for (std::size_t i = rank + 1; i < m_tree.size(); i += i & (~i + 1))
            ++m_tree[i];
    }
    std::size_t below(std::size_t rank) const
    {
        std::size_t n = 0;
        for (std::size_t i = rank; i > 0; i -= i & (~i + 1))
            n += m_tree[i];
        return n;
    }

private:
    std::vector<std::size_t> m_tree;
};

} // namespace

std::vector<QString> sortContactLines(std::vector<QString> lines)
{
    const std::size_t n = lines.size();
    if (n < 2)
        return lines;

    // One key per line; an empty line is smaller than any other and equal to another empty one.
    std::vector<std::optional<QCollatorSortKey>> keys;
    keys.reserve(n);
    for (const QString& line : lines)
        keys.push_back(line.isEmpty() ? std::nullopt : std::optional(os::localeSortKey(line)));
    auto compare = [&](std::size_t a, std::size_t b) {
        if (!keys[a] || !keys[b])
            return (keys[a] ? 1 : 0) - (keys[b] ? 1 : 0);
        return keys[a]->compare(*keys[b]);
    };

    std::vector<std::size_t> byKey(n);
    std::iota(byKey.begin(), byKey.end(), 0);
    std::stable_sort(byKey.begin(), byKey.end(), [&](std::size_t a, std::size_t b) { return compare(a, b) < 0; });

    // Classes of equal lines, in ascending order; each member in its original order.
    std::vector<std::size_t> rank(n), classStart; // classStart: first index in byKey
    for (std::size_t i = 0; i < n; ++i) {
        if (i == 0 || compare(byKey[i - 1], byKey[i]) != 0)
            classStart.push_back(i);
        rank[byKey[i]] = classStart.size() - 1;
    }
    classStart.push_back(n);

    // Lines of a lower class in front of each line.
    std::vector<std::size_t> lowerBefore(n);
    RankCounter seen(classStart.size());
    for (std::size_t i = 0; i < n; ++i) {
        lowerBefore[i] = seen.below(rank[i]);
        seen.add(rank[i]);
    }

    std::vector<QString> out;
    out.reserve(n);
    std::vector<std::size_t> queue;
    for (std::size_t c = 0; c + 1 < classStart.size(); ++c) {
        const auto first = byKey.begin() + std::ptrdiff_t(classStart[c]);
        const auto last = byKey.begin() + std::ptrdiff_t(classStart[c + 1]);
        const bool allSame = std::all_of(first, last, [&](std::size_t i) { return lines[i] == lines[*first]; });
        if (allSame) {
            for (auto it = first; it != last; ++it)
                out.push_back(std::move(lines[*it]));
            continue;
        }
        // byKey is stable: the members are in their original order, so lowerBefore rises.
        const std::size_t smaller = classStart[c];
        queue.clear();
        auto next = first;
        std::size_t passes = 0;
        for (;;) {
            while (next != last && lowerBefore[*next] == passes)
                queue.push_back(*next++);
            if (passes == smaller)
                break;
            const std::size_t until = next != last ? lowerBefore[*next] : smaller;
            if (!queue.empty())
                std::rotate(queue.begin(), queue.begin() + std::ptrdiff_t((until - passes) % queue.size()), queue.end());
            passes = until;
        }
        for (std::size_t i : queue)
            out.push_back(std::move(lines[i]));
    }
    return out;
}

} // namespace zuvi::client
