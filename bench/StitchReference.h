#pragma once

#include <QImage>
#include <QList>
#include <optional>
#include <utility>

// The stitcher's algorithm written plainly, sample by sample, as the yardstick the fast
// implementation must match bit for bit. Which columns show the page is the stitcher's own
// answer; the search over them and the join are written here again.
namespace reference {

std::optional<int> scrollDelta(const QImage& previous, const QImage& next, int ignoreTop,
                               int ignoreBottom);
std::pair<int, int> stickyBands(const QList<QImage>& frames);
QImage stitch(const QList<QImage>& frames, const QList<int>& deltas, int stickyTop,
              int stickyBottom);

} // namespace reference
