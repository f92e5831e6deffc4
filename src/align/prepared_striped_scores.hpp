// Prepared striped score objects: one query and target pair coded, profiled
// and (linear gaps) checked against the closed-form shortcut once, then
// scored any number of times.
//
// Each object holds one variant and nothing else:
// - a striped profile of 8-, 16- or 32-bit lanes, for a width given by the
//   caller;
// - the lane road (no width given, the width rule chose 16 or 32 bits, gap
//   values of 0 or below): the codes, and every call takes the one-shot
//   score's own road on profiles the object keeps from call to call, so the
//   narrowest lanes that hold the pair run, or 8-bit lanes checked for
//   overflow first with wider ones from the column that outgrew them;
// - the scalar form (the pair's codes kept whole with the scoring values),
//   which serves width 64 and every scoring with a positive gap value at
//   any width. The striped local kernels start E and F at 0, which is exact
//   only for gap values <= 0; a positive gap would carry scores the plain
//   recurrence never reaches.
//
// An object owns all it holds (a copy duplicates every vector). A scoring
// call on a striped form re-initialises the profile's work vectors first,
// so its answer never depends on earlier calls; on a given width it
// allocates nothing, on the lane road only what its first call (or the
// first to need wider lanes) builds; the scalar form runs the two-row
// kernels, which allocate their rows per call. A call may be re-entered
// (Python code run by its interrupt poll may score the same object): the
// object marks a call in progress, and a nested call scores on storage of
// its own (a copy of the striped profile, or fresh lane-road profiles), so
// that the outer call's columns are left as they were.
#pragma once

#include <cstdint>
#include <variant>

#include "align/score_shortcuts.hpp"
#include "align/striped_profile.hpp"
#include "module/farrar_preprocess.hpp"
#include "module/reentry_guard.hpp"

namespace veltrocamber::backend_swar::detail {

// The scalar form: the channel copied whole (codes, width, bound) and the
// scoring values. The linear form keeps its one gap value in both gap_open
// and gap_extend.
struct ScalarScoreInputs {
    FarrarTokenChannel channel;
    int64_t match = 0;
    int64_t mismatch = 0;
    int64_t gap_open = 0;
    int64_t gap_extend = 0;
};

// The lane road: the scalar form's inputs, the closed-form shortcut's answer
// taken at preparation (linear gaps; never handled for affine gaps, which
// have none), and the profiles the calls refill (each keeps its rows, so
// only the first call at a lane width builds them).
struct LaneRoadInputs {
    ScalarScoreInputs inputs;
    align::ShortcutAnswer shortcut = align::not_handled;
    align::StripedAffineScratch scratch;
};

using FarrarScoreProfile = std::variant<align::StripedLinearProfile8, align::StripedLinearProfile16,
                                        align::StripedLinearProfile32, ScalarScoreInputs, LaneRoadInputs>;

using AffineScoreProfile = std::variant<align::StripedAffineProfile8, align::StripedAffineProfile16,
                                        align::StripedAffineProfile32, ScalarScoreInputs, LaneRoadInputs>;

// Linear gaps, local score only. The striped forms cache the shortcut's
// answer at construction; the scalar form asks it on every call.
struct PreparedSmithWatermanFarrarScore {
    FarrarScoreProfile profile;
    CallInProgress call;

    // Raises RuntimeError "unsupported Farrar score width" for a channel
    // width other than 8, 16, 32 or 64. `automatic_width`: the caller gave
    // no width (the channel's is the width rule's).
    PreparedSmithWatermanFarrarScore(FarrarTokenChannel channel, int64_t match, int64_t mismatch, int64_t gap,
                                     bool automatic_width);
};

// Affine gaps (any open and extend); one object answers the local and the
// global score alike.
struct PreparedAffineScore {
    AffineScoreProfile profile;
    CallInProgress call;

    // Raises RuntimeError "unsupported SWAR affine score width" for a channel
    // width other than 8, 16, 32 or 64, and at width 64 the OverflowError of
    // a score bound that the wide kernels cannot hold (they read every value
    // at or below -2^60 as minus infinity).
    PreparedAffineScore(FarrarTokenChannel channel, int64_t match, int64_t mismatch, int64_t gap_open,
                        int64_t gap_extend, bool automatic_width);
};

// The scalar form's scores: the shortcut, then the local linear kernel in
// 64-bit cells (also for a channel as it stands); the wide local and global
// affine kernels.
int64_t local_linear_scalar_score(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch, int64_t gap);
int64_t prepared_linear_scalar_score(const ScalarScoreInputs &inputs);
int64_t smith_waterman_affine_scalar_inputs(const ScalarScoreInputs &inputs);
int64_t needleman_wunsch_affine_scalar_inputs(const ScalarScoreInputs &inputs);

int64_t prepared_local_linear_score(PreparedSmithWatermanFarrarScore &prepared);
int64_t prepared_local_affine_score(PreparedAffineScore &prepared);
int64_t prepared_global_affine_score(PreparedAffineScore &prepared);

}  // namespace veltrocamber::backend_swar::detail
