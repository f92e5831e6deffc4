// Where a walk back starts, as a score pass of one cell type finds it.
#pragma once

#include <cstdint>

namespace veltrocamber::profile_traceback {

// Local passes: the first strict maximum, rows outer ({0, 0, 0} when no cell
// is positive). Global passes: (qlen, tlen) and its score. row and col are
// matrix indices, so a cell with a score has both at least 1.
template <typename T>
struct BestCell {
    T score = 0;
    uint64_t row = 0;
    uint64_t col = 0;
};

}  // namespace veltrocamber::profile_traceback
