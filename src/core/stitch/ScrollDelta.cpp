#include "core/stitch/BufferPasses.h"
#include "core/stitch/LumaKernels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace stitch {

namespace {

// The band of `next` looked for in `previous`: every third of its rows, counted up from its
// bottom edge (16 rows), and every third column of the page, read at every shift.
// Text is more than three pixels in each direction, so a third of the samples still sees
// every line, at a third of the cost of a search that runs millions of times per pair.
constexpr int bandRows = ScrollStitcher::comparedBandRows;
constexpr int bandRowStep = 3;
constexpr int sampledRows = bandRows / bandRowStep;
constexpr int columnStep = 3;
// A mean luminance difference above this is no match. Scrolled pixels are copied and match
// exactly; the margin lets a frame drawn again a little differently (a hover, a caret, a
// rescaled picture) still match, while text at a wrong shift differs by several times it.
constexpr double maxCost = 18.0;

// A best shift is trusted when every shift more than `nearRows` away costs at least
// `distinctMargin` more: on a flat band all shifts cost alike and the smallest would win.
constexpr int nearRows = 2;
constexpr double distinctMargin = 1.5;
constexpr double nearTie = 0.5;     // shifts this close to the best cost tie with it
constexpr int differentSample = 16; // a sample differing more than this has changed
constexpr int differingSamples = 2; // changed samples a matching row may hold: a caret
constexpr int rowColumnStep = 2;    // of the page's columns, every second
constexpr int texturedRange = 16;   // a row whose luma spans more than this has texture
constexpr double rowEdge = 2.0;     // a row whose mean differs this much from the next, too

// The sampled columns of rows first … first + count − 1, packed side by side.
std::vector<std::uint8_t> packedColumns(const PixelBuffer& frame, int first, int count, int rowStep,
                                        int firstColumn, int columns) {
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(count) *
                                     static_cast<std::size_t>(columns));
    for (int i = 0; i < count; ++i)
        kernels::gather(frame.lumaRow(first + i * rowStep) + firstColumn, columnStep, columns,
                        packed.data() + static_cast<std::size_t>(i) * columns);
    return packed;
}

struct Search {
    int top = 0;      // rows left out at the frames' top
    int bottom = 0;   // rows left out at their bottom
    int maxShift = 0; // for the band right above the bottom rows left out
    ColumnRange page; // the columns compared
    int columns = 0;  // of them sampled in the band
};

std::optional<Search> searchFor(const PixelBuffer& previous, const PixelBuffer& next, int ignoreTop,
                                int ignoreBottom, int expected) {
    if (previous.width() != next.width() || previous.height() != next.height())
        return std::nullopt;
    const int h = next.height();
    Search s;
    s.top = std::clamp(ignoreTop, 0, h);
    s.bottom = std::clamp(ignoreBottom, 0, h);
    s.maxShift = h - s.top - bandRows - s.bottom;
    if (s.maxShift < 0)
        return std::nullopt;
    s.page = pageColumns(previous, next, s.top, s.bottom, expected);
    s.columns = (s.page.end - s.page.first + columnStep - 1) / columnStep;
    return s;
}

// The cost of every shift 0 … maxShift for the band of `next` right above the bottom rows
// left out.
std::vector<double> bandCosts(const PixelBuffer& previous, const PixelBuffer& next,
                              const Search& search) {
    const int maxShift = search.maxShift;
    // The band's sampled rows, counted up from its bottom edge; the topmost comes first.
    const int firstSampled = next.height() - search.bottom - 1 - (sampledRows - 1) * bandRowStep;
    // Every shift reads the same 16 rows of `next` against rows s higher up in `previous`,
    // so both are packed once, `previous` from the top of the highest shift on, and each
    // shift costs 16 contiguous sums.
    const std::vector<std::uint8_t> band = packedColumns(
        next, firstSampled, sampledRows, bandRowStep, search.page.first, search.columns);
    const int previousRows = maxShift + bandRows - bandRowStep + 1;
    const std::vector<std::uint8_t> rows = packedColumns(
        previous, firstSampled - maxShift, previousRows, 1, search.page.first, search.columns);

    const double samples = static_cast<double>(sampledRows) * search.columns;
    const std::size_t stride = static_cast<std::size_t>(search.columns);
    std::vector<double> costs(static_cast<std::size_t>(maxShift) + 1);
    for (int s = 0; s <= maxShift; ++s) {
        std::uint64_t sum = 0;
        for (int k = 0; k < sampledRows; ++k)
            sum += kernels::sumOfAbsoluteDifferences(
                band.data() + static_cast<std::size_t>(k) * stride,
                rows.data() + static_cast<std::size_t>(k * bandRowStep + maxShift - s) * stride,
                search.columns);
        costs[static_cast<std::size_t>(s)] = static_cast<double>(sum) / samples;
    }
    return costs;
}

// The cheapest shift; on equal cost the smaller one.
ScrollStitcher::Match cheapest(const std::vector<double>& costs) {
    ScrollStitcher::Match best{0, costs.front()};
    for (std::size_t s = 1; s < costs.size(); ++s)
        if (costs[s] < best.cost)
            best = {static_cast<int>(s), costs[s]};
    return best;
}

bool distinct(const std::vector<double>& costs, const ScrollStitcher::Match& best) {
    for (std::size_t s = 0; s < costs.size(); ++s)
        if (std::abs(static_cast<int>(s) - best.delta) > nearRows &&
            costs[s] < best.cost + distinctMargin)
            return false;
    return true;
}

ScrollStitcher::Match answer(ScrollStitcher::Match match) {
    if (match.delta < smallestShift)
        match.delta = 0;
    return match;
}

// Whole rows of both frames compared at a shift: which shifts every row in common agrees
// with, and how many rows with texture that agreement rests on.
class CommonRows {
public:
    CommonRows(const PixelBuffer& previous, const PixelBuffer& next, const Search& search)
        : m_search(search)
        , m_height(next.height())
        , m_columns(std::max(1, (search.page.end - search.page.first + rowColumnStep - 1) /
                                    rowColumnStep))
        , m_previous(pack(previous))
        , m_next(pack(next))
        , m_previousMean(means(m_previous))
        , m_nextMean(means(m_next))
        , m_previousHash(hashes(m_previous))
        , m_nextHash(hashes(m_next))
        , m_texturedBelow(static_cast<std::size_t>(m_height) + 1, 0) {
        // m_texturedBelow[r]: texture in `next` from row r down to the bottom rows left out:
        // rows whose luma spans a range, and steps from a row to the one below it.
        const int end = m_height - search.bottom;
        for (int r = end - 1; r >= search.top; --r) {
            const auto at = static_cast<std::size_t>(r);
            const std::uint8_t* row = m_next.data() + at * m_columns;
            const auto [low, high] = std::minmax_element(row, row + m_columns);
            const bool step =
                r + 1 < end && std::abs(m_nextMean[at] - m_nextMean[at + 1]) > rowEdge;
            m_texturedBelow[at] = m_texturedBelow[at + 1] + (*high - *low > texturedRange) + step;
        }
    }

    // Row r of `next` matches row r − shift of `previous` wherever both are in the body.
    bool agrees(int shift) const {
        const int end = m_height - m_search.bottom;
        for (int r = m_search.top + shift; r < end; ++r)
            if (std::abs(m_nextMean[static_cast<std::size_t>(r)] -
                         m_previousMean[static_cast<std::size_t>(r - shift)]) > maxRowCost)
                return false;
        for (int r = m_search.top + shift; r < end; ++r)
            if (m_nextHash[static_cast<std::size_t>(r)] !=
                    m_previousHash[static_cast<std::size_t>(r - shift)] &&
                !rowsMatch(row(m_next, r), row(m_previous, r - shift)))
                return false;
        return true;
    }

    int support(int shift) const {
        return m_texturedBelow[static_cast<std::size_t>(m_search.top + shift)];
    }

    double cost(int shift) const {
        const int first = m_search.top + shift;
        const int end = m_height - m_search.bottom;
        std::uint64_t sum = 0;
        for (int r = first; r < end; ++r)
            sum += kernels::sumOfAbsoluteDifferences(row(m_next, r), row(m_previous, r - shift),
                                                     m_columns);
        return end > first ? double(sum) / (double(end - first) * m_columns) : 0;
    }

private:
    // Scrolled pixels are copied: a row matches when it differs little on average and in
    // no more than a caret's worth of samples, so that a small word in a wide row counts.
    bool rowsMatch(const std::uint8_t* a, const std::uint8_t* b) const {
        if (kernels::sumOfAbsoluteDifferences(a, b, m_columns) > maxRowCost * m_columns)
            return false;
        int differing = 0;
        for (int x = 0; x < m_columns; ++x)
            differing += std::abs(int(a[x]) - int(b[x])) > differentSample;
        return differing <= differingSamples;
    }

    std::vector<std::uint8_t> pack(const PixelBuffer& frame) const {
        std::vector<std::uint8_t> packed(static_cast<std::size_t>(m_height) * m_columns);
        for (int r = 0; r < m_height; ++r)
            kernels::gather(frame.lumaRow(r) + m_search.page.first, rowColumnStep, m_columns,
                            packed.data() + static_cast<std::size_t>(r) * m_columns);
        return packed;
    }
    std::vector<double> means(const std::vector<std::uint8_t>& packed) const {
        std::vector<double> out(static_cast<std::size_t>(m_height));
        for (int r = 0; r < m_height; ++r) {
            const std::uint8_t* p = packed.data() + static_cast<std::size_t>(r) * m_columns;
            std::uint64_t sum = 0;
            for (int x = 0; x < m_columns; ++x)
                sum += p[x];
            out[static_cast<std::size_t>(r)] = double(sum) / m_columns;
        }
        return out;
    }
    // Equal rows, the page's plain ground above all, are known equal without comparing.
    std::vector<std::size_t> hashes(const std::vector<std::uint8_t>& packed) const {
        std::vector<std::size_t> out(static_cast<std::size_t>(m_height));
        for (int r = 0; r < m_height; ++r)
            out[static_cast<std::size_t>(r)] = std::hash<std::string_view>{}(
                std::string_view(reinterpret_cast<const char*>(row(packed, r)),
                                 static_cast<std::size_t>(m_columns)));
        return out;
    }
    const std::uint8_t* row(const std::vector<std::uint8_t>& packed, int r) const {
        return packed.data() + static_cast<std::size_t>(r) * m_columns;
    }

    Search m_search;
    int m_height;
    int m_columns;
    std::vector<std::uint8_t> m_previous;
    std::vector<std::uint8_t> m_next;
    std::vector<double> m_previousMean;
    std::vector<double> m_nextMean;
    std::vector<std::size_t> m_previousHash;
    std::vector<std::size_t> m_nextHash;
    std::vector<int> m_texturedBelow;
};

// Of the shifts every common row agrees with, those resting on the most texture; among
// them no movement, then the movement asked for, then the smallest.
std::optional<ScrollStitcher::Match> bestAgreeing(const CommonRows& rows,
                                                  const std::vector<int>& shifts, int expected) {
    std::vector<int> agreeing;
    int most = -1;
    for (int s : shifts) {
        if (!rows.agrees(s))
            continue;
        const int support = rows.support(s);
        if (support > most)
            agreeing.clear();
        if (support >= most) {
            most = support;
            agreeing.push_back(s);
        }
    }
    if (agreeing.empty())
        return std::nullopt;
    int pick = agreeing.front();
    if (std::find(agreeing.begin(), agreeing.end(), 0) != agreeing.end())
        pick = 0;
    else if (std::find(agreeing.begin(), agreeing.end(), expected) != agreeing.end())
        pick = expected;
    return answer({pick, rows.cost(pick), most});
}

} // namespace

std::optional<ScrollStitcher::Match>
scrollMatch(const PixelBuffer& previous, const PixelBuffer& next, int ignoreTop, int ignoreBottom) {
    const auto search = searchFor(previous, next, ignoreTop, ignoreBottom, 0);
    if (!search)
        return std::nullopt;
    const ScrollStitcher::Match best = cheapest(bandCosts(previous, next, *search));
    if (best.cost > maxCost)
        return std::nullopt;
    return answer(best);
}

std::optional<int> scrollDelta(const PixelBuffer& previous, const PixelBuffer& next, int ignoreTop,
                               int ignoreBottom) {
    const auto match = scrollMatch(previous, next, ignoreTop, ignoreBottom);
    return match ? std::optional<int>(match->delta) : std::nullopt;
}

namespace {

// The same search with the flat rows at the inner edges of the bands left out given back to
// the body. Rows alike in two frames may be a fixed bar, or the page's plain ground that
// both frames happen to show there; ground constrains the shift like any row.
Search withoutFlatBandEdges(const PixelBuffer& next, Search search) {
    const auto flat = [&](int row) {
        const std::uint8_t* luma = next.lumaRow(row);
        const auto [low, high] =
            std::minmax_element(luma + search.page.first, luma + search.page.end);
        return *high - *low <= texturedRange;
    };
    while (search.top > 0 && flat(search.top - 1))
        --search.top;
    while (search.bottom > 0 && flat(next.height() - search.bottom))
        --search.bottom;
    return search;
}

std::vector<int> everyShift(const PixelBuffer& next, const Search& search) {
    std::vector<int> shifts{0};
    for (int s = smallestShift; s <= next.height() - search.top - search.bottom - minCommonRows;
         ++s)
        shifts.push_back(s);
    return shifts;
}

} // namespace

std::optional<ScrollStitcher::Match> guidedMatch(const PixelBuffer& previous,
                                                 const PixelBuffer& next, int ignoreTop,
                                                 int ignoreBottom, int expected) {
    const auto search = searchFor(previous, next, ignoreTop, ignoreBottom, expected);
    if (!search)
        return std::nullopt;
    const std::vector<double> costs = bandCosts(previous, next, *search);
    const ScrollStitcher::Match best = cheapest(costs);
    const CommonRows rows(previous, next, *search);
    // The shift all rows in common agree with, on the most texture; where no texture
    // decides, the flat rows of the bands take part too.
    const auto agreed = [&]() {
        auto found = bestAgreeing(rows, everyShift(next, *search), expected);
        if (found && found->support > 0)
            return found;
        const Search wider = withoutFlatBandEdges(next, *search);
        if (wider.top == search->top && wider.bottom == search->bottom)
            return found;
        const auto again =
            bestAgreeing(CommonRows(previous, next, wider), everyShift(next, wider), expected);
        return again && again->support > 0 ? again : found;
    };
    // Such a shift resting on texture: the frames show it.
    const auto seen = [&]() -> std::optional<ScrollStitcher::Match> {
        const auto found = agreed();
        return found && found->support > 0 ? found : std::nullopt;
    };

    if (best.cost > maxCost) // the edge band may lie beyond the movement (wide bands, a long step)
        return seen();
    if (!distinct(costs, best)) {
        // The band at the edge is (nearly) flat: every row the frames have in common
        // decides, at every shift but the one or two rows that count as no movement.
        return agreed().value_or(answer(best));
    }
    // Unambiguous but for its neighbours: a flat box a few rows high matches one or two rows
    // off as well on the sampled rows; the rows in between decide.
    std::vector<int> near;
    for (int s = std::max(0, best.delta - nearRows);
         s <= std::min(search->maxShift, best.delta + nearRows); ++s)
        if (costs[static_cast<std::size_t>(s)] <= best.cost + nearTie)
            near.push_back(s);
    if (const auto found = bestAgreeing(rows, near, expected))
        return found;
    // The band matched a look-alike (the edge of another flat block) that the rows above it
    // contradict; where another shift agrees with every row, that one.
    return seen().value_or(answer(best));
}

} // namespace stitch
