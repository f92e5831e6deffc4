// Aligned rows: the AlignmentResult of a path, with the two inputs shown
// with gaps in the form the caller gave them.
//
//   kind INPUT_BYTES:   bytes, one byte per column (the token's low 8 bits),
//                       b'-' at a gap;
//   kind INPUT_STR:     str, one character per column (the token's low 32
//                       bits as a code point, lone surrogates included),
//                       '-' at a gap;
//   kind INPUT_OBJECTS: tuple of the caller's very objects (from the pair's
//                       items), None at a gap.
// In the query row the letter 'I' is a gap and every other letter takes the
// next query element from query_start; in the target row 'D' is a gap and
// every other letter takes the next target element from target_start.
#pragma once

#include "module/preprocess.hpp"
#include "module/result_classes.hpp"

namespace veltrocamber {

// Copies score, spans and operations from `path` and renders both rows.
// Raises RuntimeError "unsupported kernel width" for a width other than 8,
// 16, 32 or 64, and RuntimeError when the operations would consume more
// elements than a side holds from its start. Python errors propagate as
// python_error; nothing partly built survives a failure.
AlignmentResult fill_aligned_rows(const PreprocessedPair &pair, const AlignmentPath &path);

}  // namespace veltrocamber
