#include "core/stitch/BufferPasses.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <vector>

namespace stitch {

namespace {

const std::uint32_t* pixels(const PixelBuffer& frame, int row) {
    return reinterpret_cast<const std::uint32_t*>(frame.pixelRow(row));
}

// z[i]: how many values from i on equal the values from 0 on.
std::vector<int> prefixMatches(const std::vector<std::uint64_t>& v) {
    const int n = static_cast<int>(v.size());
    std::vector<int> z(v.size(), 0);
    for (int i = 1, l = 0, r = 0; i < n; ++i) {
        int k = i < r ? std::min(r - i, z[static_cast<std::size_t>(i - l)]) : 0;
        while (i + k < n && v[static_cast<std::size_t>(k)] == v[static_cast<std::size_t>(i + k)])
            ++k;
        z[static_cast<std::size_t>(i)] = k;
        if (i + k > r) {
            l = i;
            r = i + k;
        }
    }
    return z;
}

// Stretches of this many equal pixels are compared at once: a blank side goes at the speed
// of memory.
constexpr int stretch = 16;

// Columns of the body rows of both frames, compared exactly: scrolled pixels are copies.
class Columns {
public:
    Columns(const PixelBuffer& previous, const PixelBuffer& next, int top, int bottom)
        : m_previous(previous)
        , m_next(next)
        , m_top(top)
        , m_rows(next.height() - top - bottom)
        , m_width(next.width()) {}

    int rows() const { return m_rows; }

    // The first and the last column that differ between the frames; first > last where
    // none does.
    std::pair<int, int> changed() const {
        int left = m_width;
        int right = m_width;
        for (int r = m_top; r < m_top + m_rows && left + right > 0; ++r) {
            left = equalRun(pixels(m_previous, r), pixels(m_next, r), left, false);
            right = equalRun(pixels(m_previous, r), pixels(m_next, r), right, true);
        }
        return {left, m_width - 1 - right};
    }

    bool changed(int x) {
        if (!m_changed.empty())
            return m_changed[static_cast<std::size_t>(x)] != 0;
        for (int r = m_top; r < m_top + m_rows; ++r)
            if (pixels(m_previous, r)[x] != pixels(m_next, r)[x])
                return true;
        // A column that stayed is read to its end; more may follow (a blank stretch), so
        // every column is marked at once, a row at a time.
        m_changed.assign(static_cast<std::size_t>(m_width), 0);
        for (int r = m_top; r < m_top + m_rows; ++r)
            markDifferent(pixels(m_previous, r), pixels(m_next, r), 0, m_width, m_changed);
        return false;
    }

    // Row r of `previous` is row r + shift of `next` wherever both are in the body.
    bool movedBy(int x, int shift) const {
        for (int r = m_top; r < m_top + m_rows - shift; ++r)
            if (pixels(m_previous, r)[x] != pixels(m_next, r + shift)[x])
                return false;
        return true;
    }

    // The shifts column x shows the content moving by: each carries it over rows that are
    // not all one colour and not all as they were. None for a column of the page's ground
    // alone, one that stayed, one that moved otherwise (a thumb moves the other way).
    std::vector<int> shownShifts(int x) {
        const std::size_t n = static_cast<std::size_t>(m_rows);
        // The column of `previous`, a value no pixel has, the column of `next`: a shift s
        // carries the column where the values from row s of `next` on equal those from
        // row 0 on.
        m_gathered.resize(2 * n + 1);
        for (int r = 0; r < m_rows; ++r) {
            m_gathered[static_cast<std::size_t>(r)] = pixels(m_previous, m_top + r)[x];
            m_gathered[n + 1 + static_cast<std::size_t>(r)] = pixels(m_next, m_top + r)[x];
        }
        m_gathered[n] = std::uint64_t(1) << 32;
        // Neighbouring columns are often alike: a thumb, a blank stretch, a glyph's stem.
        if (m_gathered == m_values)
            return m_shifts;
        m_values.swap(m_gathered);
        m_shifts.clear();
        const auto previous = m_values.begin();
        const auto next = m_values.begin() + static_cast<std::ptrdiff_t>(n + 1);
        // Rows of `next` from s on are not all one colour while s is at most `lastVaried`,
        // and not all as they were while s is at most `lastChanged`.
        int lastVaried = m_rows - 1;
        while (lastVaried >= 0 && next[lastVaried] == next[m_rows - 1])
            --lastVaried;
        int lastChanged = m_rows - 1;
        while (lastChanged >= 0 && next[lastChanged] == previous[lastChanged])
            --lastChanged;
        const int last = std::min({lastVaried, lastChanged, m_rows - minCommonRows});
        if (last < smallestShift)
            return m_shifts;
        const std::vector<int> z = prefixMatches(m_values);
        for (int s = smallestShift; s <= last; ++s)
            if (z[n + 1 + static_cast<std::size_t>(s)] >= m_rows - s)
                m_shifts.push_back(s);
        return m_shifts;
    }

    // Columns outside `kept` that are not one colour in either frame: content left out.
    int contentOutside(ColumnRange kept) const {
        std::vector<std::uint8_t> varies(static_cast<std::size_t>(m_width), 0);
        for (const PixelBuffer* frame : {&m_previous, &m_next}) {
            const std::uint32_t* first = pixels(*frame, m_top);
            for (int r = m_top + 1; r < m_top + m_rows; ++r) {
                markDifferent(first, pixels(*frame, r), 0, kept.first, varies);
                markDifferent(first, pixels(*frame, r), kept.end, m_width, varies);
            }
        }
        return static_cast<int>(std::count(varies.begin(), varies.end(), 1));
    }

private:
    // How many pixels of `a` and `b`, from the left or from the right, are equal, looking at
    // no more than `limit`.
    int equalRun(const std::uint32_t* a, const std::uint32_t* b, int limit, bool fromRight) const {
        const auto same = [&](int from, int count) {
            const int at = fromRight ? m_width - from - count : from;
            return std::memcmp(a + at, b + at, sizeof(*a) * static_cast<std::size_t>(count)) == 0;
        };
        int n = 0;
        while (n + stretch <= limit && same(n, stretch))
            n += stretch;
        while (n < limit && same(n, 1))
            ++n;
        return n;
    }

    static void markDifferent(const std::uint32_t* a, const std::uint32_t* b, int from, int end,
                              std::vector<std::uint8_t>& marks) {
        for (int x = from; x < end; ++x) {
            if (x + stretch <= end &&
                std::memcmp(a + x, b + x, sizeof(*a) * static_cast<std::size_t>(stretch)) == 0) {
                x += stretch - 1;
                continue;
            }
            if (a[x] != b[x])
                marks[static_cast<std::size_t>(x)] = 1;
        }
    }

    const PixelBuffer& m_previous;
    const PixelBuffer& m_next;
    int m_top;
    int m_rows;
    int m_width;
    std::vector<std::uint64_t> m_values; // of the column last measured
    std::vector<std::uint64_t> m_gathered;
    std::vector<int> m_shifts;
    std::vector<std::uint8_t> m_changed; // per column, once a column that stayed was read
};

// The shift that columns sampled across the changed ones show, from the middle out, where
// at least two show it: the page fills most of a region, and one column of a side element
// may line up by chance (a scroll bar's two buttons). 0 where none does.
int shownShift(Columns& columns, int first, int last) {
    constexpr int samples = 16;
    constexpr int enough = 3; // votes that end the count early
    const int step = std::max(1, (last - first + 1) / samples);
    const int middle = (first + last) / 2;
    std::vector<std::pair<int, int>> votes; // shift, columns showing it
    for (int i = 0; i < samples; ++i) {
        const int x = middle + (i % 2 ? -1 : 1) * ((i + 1) / 2) * step;
        if (x < first || x > last)
            continue;
        for (int shift : columns.shownShifts(x)) {
            auto at = std::find_if(votes.begin(), votes.end(),
                                   [shift](const auto& vote) { return vote.first == shift; });
            if (at == votes.end())
                at = votes.insert(votes.end(), {shift, 0});
            if (++at->second == enough)
                return shift;
        }
    }
    int best = 0;
    int most = 1;
    for (const auto& [shift, count] : votes)
        if (count > most || (count == most && best != 0 && shift < best))
            std::tie(best, most) = std::pair{shift, count};
    return best;
}

} // namespace

ColumnRange pageColumns(const PixelBuffer& previous, const PixelBuffer& next, int top, int bottom,
                        int expected) {
    const int w = next.width();
    const ColumnRange every{0, w};
    // Frames of two byte orders are not compared pixel for pixel: every column counts.
    if (previous.format() != next.format() || previous.width() != w ||
        previous.height() != next.height() ||
        next.height() - top - bottom < minCommonRows + smallestShift)
        return every;
    Columns columns(previous, next, top, bottom);
    const auto [changedFirst, changedLast] = columns.changed();
    if (changedFirst > changedLast)
        return every;

    // How far the page moved: what its columns show; where they do not (the rows in common
    // are the page's ground), the movement the wheel was asked for.
    int shift = shownShift(columns, changedFirst, changedLast);
    if (shift == 0)
        shift = expected;
    if (shift < smallestShift || shift > columns.rows() - minCommonRows)
        return every;

    // From each side, columns are left out up to the first that changed and moved with the
    // page: columns of one colour, a fixed panel or a window's edge, a thumb moving the
    // other way.
    const auto withPage = [&](int column) {
        return columns.changed(column) && columns.movedBy(column, shift);
    };
    int first = changedFirst;
    while (first <= changedLast && !withPage(first))
        ++first;
    if (first > changedLast)
        return every;
    int last = changedLast;
    while (last > first && !withPage(last))
        --last;
    const ColumnRange page{first, last + 1};
    // Where more content is left out than kept, what moved is not the page but something
    // on it (a caret, an animation, a thumb in a reading of the wrong direction).
    return columns.contentOutside(page) > page.end - page.first ? every : page;
}

} // namespace stitch
