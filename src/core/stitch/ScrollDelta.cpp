#include "core/stitch/BufferPasses.h"
#include "core/stitch/LumaKernels.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace stitch {

namespace {

constexpr int bandRows = 48;     // height of the compared band
constexpr int bandRowStep = 3;   // rows 0, 3, …, 45 of the band are sampled
constexpr int sampledRows = 16;  // bandRows / bandRowStep
constexpr int columnStep = 3;    // every third column of the central part
constexpr double maxCost = 18.0; // a mean luminance difference above this is no match
constexpr int smallestShift = 3; // shifts of 1 or 2 rows count as no movement
// What 1 − 0.9 evaluates to in double precision; the margins depend on its exact value.
constexpr double marginFactor = 0.09999999999999998;

// A best shift is trusted when every shift more than `nearRows` away costs at least
// `distinctMargin` more: on a flat band all shifts cost alike and the smallest would win.
constexpr int nearRows = 2;
constexpr double distinctMargin = 1.5;
// A band elsewhere in the frame must match nearly exactly: scrolled pixels are copied.
constexpr double textureBandCost = 6.0;
constexpr int textureBandStep = 12;  // band positions tried, in rows
constexpr int textureBandsTried = 4; // the most textured of them
constexpr double flatVariance = 1.0; // a band whose luma varies less carries no texture
constexpr double maxRowCost = 3.0;   // a row still matches at this mean difference
constexpr int rowColumnStep = 2;

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
    int t = 0;        // rows ignored at the bottom on screen
    int b = 0;        // rows ignored at the top on screen
    int maxShift = 0; // for the band right above the ignored bottom rows
    int margin = 0;   // first sampled column
    int columns = 0;  // sampled columns
};

std::optional<Search> searchFor(const PixelBuffer& previous, const PixelBuffer& next, int ignoreTop,
                                int ignoreBottom) {
    if (previous.width() != next.width() || previous.height() != next.height())
        return std::nullopt;
    const int w = next.width();
    const int h = next.height();
    Search s;
    s.t = std::clamp(ignoreTop, 0, h);
    s.b = std::clamp(ignoreBottom, 0, h);
    s.maxShift = h - s.b - bandRows - s.t;
    if (s.maxShift < 0)
        return std::nullopt;
    s.margin = static_cast<int>(static_cast<double>(w) * marginFactor * 0.5);
    const int end = std::max(s.margin + 1, w - s.margin);
    s.columns = (end - s.margin + columnStep - 1) / columnStep;
    return s;
}

// The cost of every shift 0 … maxShift − offset for the band of `next` that starts
// `offset` rows above the ignored bottom rows.
std::vector<double> bandCosts(const PixelBuffer& previous, const PixelBuffer& next,
                              const Search& search, int offset) {
    const int first = search.t + offset;
    const int maxShift = search.maxShift - offset;
    // Every shift reads the same 16 rows of `next` against rows first + k + s of
    // `previous`, so both are packed once and each shift costs 16 contiguous sums.
    const std::vector<std::uint8_t> band =
        packedColumns(next, first, sampledRows, bandRowStep, search.margin, search.columns);
    const int previousRows = maxShift + bandRows - bandRowStep + 1;
    const std::vector<std::uint8_t> rows =
        packedColumns(previous, first, previousRows, 1, search.margin, search.columns);

    const double samples = static_cast<double>(sampledRows) * search.columns;
    const std::size_t stride = static_cast<std::size_t>(search.columns);
    std::vector<double> costs(static_cast<std::size_t>(maxShift) + 1);
    for (int s = 0; s <= maxShift; ++s) {
        std::uint64_t sum = 0;
        for (int k = 0; k < sampledRows; ++k)
            sum += kernels::sumOfAbsoluteDifferences(
                band.data() + static_cast<std::size_t>(k) * stride,
                rows.data() + static_cast<std::size_t>(k * bandRowStep + s) * stride,
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

double variance(const PixelBuffer& next, const Search& search, int offset) {
    const std::vector<std::uint8_t> band = packedColumns(
        next, search.t + offset, sampledRows, bandRowStep, search.margin, search.columns);
    double sum = 0;
    double squares = 0;
    for (std::uint8_t v : band) {
        sum += v;
        squares += double(v) * v;
    }
    const double n = static_cast<double>(band.size());
    return squares / n - (sum / n) * (sum / n);
}

// Every row `next` has in common with `previous` at `shift` matches it.
bool agreesAt(const PixelBuffer& previous, const PixelBuffer& next, const Search& search,
              int shift) {
    const int columns = (next.width() + rowColumnStep - 1) / rowColumnStep;
    std::vector<std::uint8_t> a(static_cast<std::size_t>(columns));
    std::vector<std::uint8_t> b(static_cast<std::size_t>(columns));
    for (int r = search.t; r + shift < next.height() - search.b; ++r) {
        kernels::gather(next.lumaRow(r), rowColumnStep, columns, a.data());
        kernels::gather(previous.lumaRow(r + shift), rowColumnStep, columns, b.data());
        if (kernels::sumOfAbsoluteDifferences(a.data(), b.data(), columns) > maxRowCost * columns)
            return false;
    }
    return true;
}

ScrollStitcher::Match answer(ScrollStitcher::Match match) {
    if (match.delta < smallestShift)
        match.delta = 0;
    return match;
}

} // namespace

std::optional<ScrollStitcher::Match>
scrollMatch(const PixelBuffer& previous, const PixelBuffer& next, int ignoreTop, int ignoreBottom) {
    const auto search = searchFor(previous, next, ignoreTop, ignoreBottom);
    if (!search)
        return std::nullopt;
    const ScrollStitcher::Match best = cheapest(bandCosts(previous, next, *search, 0));
    if (best.cost > maxCost)
        return std::nullopt;
    return answer(best);
}

std::optional<int> scrollDelta(const PixelBuffer& previous, const PixelBuffer& next, int ignoreTop,
                               int ignoreBottom) {
    const auto match = scrollMatch(previous, next, ignoreTop, ignoreBottom);
    return match ? std::optional<int>(match->delta) : std::nullopt;
}

std::optional<ScrollStitcher::Match> guidedMatch(const PixelBuffer& previous,
                                                 const PixelBuffer& next, int ignoreTop,
                                                 int ignoreBottom, int expected) {
    const auto search = searchFor(previous, next, ignoreTop, ignoreBottom);
    if (!search)
        return std::nullopt;
    const std::vector<double> costs = bandCosts(previous, next, *search, 0);
    const ScrollStitcher::Match best = cheapest(costs);
    if (best.cost > maxCost)
        return std::nullopt;
    if (distinct(costs, best))
        return answer(best);

    // The edge band is (nearly) flat: bands with texture higher up in `next` decide. A
    // band is only asked where its shorter range still reaches the movement asked for.
    const int highest =
        expected > 0 ? search->maxShift - expected - nearRows - 1 : search->maxShift / 2;
    std::vector<std::pair<double, int>> bands; // (variance, offset)
    for (int offset = textureBandStep; offset <= highest; offset += textureBandStep) {
        const double v = variance(next, *search, offset);
        if (v >= flatVariance)
            bands.emplace_back(v, offset);
    }
    std::sort(bands.begin(), bands.end(), [](const auto& x, const auto& y) {
        return x.first > y.first || (x.first == y.first && x.second < y.second);
    });
    if (bands.size() > static_cast<std::size_t>(textureBandsTried))
        bands.resize(textureBandsTried);
    for (const auto& [v, offset] : bands) {
        const std::vector<double> other = bandCosts(previous, next, *search, offset);
        const ScrollStitcher::Match match = cheapest(other);
        if (match.cost <= textureBandCost && distinct(other, match))
            return answer(match);
    }

    // Nothing in the frames tells the shifts apart: equal frames are the end of the
    // content, and otherwise the movement asked for holds where every row agrees with it.
    if (agreesAt(previous, next, *search, 0))
        return answer({0, costs.front()});
    if (expected >= smallestShift && expected <= search->maxShift &&
        agreesAt(previous, next, *search, expected))
        return ScrollStitcher::Match{expected, costs[static_cast<std::size_t>(expected)]};
    return answer(best);
}

} // namespace stitch
