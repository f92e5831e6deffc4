// The Python entry points of the Levenshtein family and the internal batch
// and pairwise scorers that the top-k functions and `extract` call.
#pragma once

#include <Python.h>

#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>

#include "distance/batch_byte_query.hpp"
#include "distance/edit_distance_pairs.hpp"
#include "distance/levenshtein.hpp"
#include "distance/prepared_levenshtein_score.hpp"
#include "module/input_snapshots.hpp"
#include "module/result_arrays.hpp"

namespace veltrocamber::levenshtein {

// RuntimeError text of the off-diagonal entries of the token width table.
extern const char *const LEVENSHTEIN_MISMATCHED_WIDTHS;
extern const char *const LEVENSHTEIN_SCORE_DOC;
extern const char *const LEVENSHTEIN_NORMALIZED_SCORE_DOC;

// `score_cutoff` from Python: None, or an integer distance; every negative
// value means no cutoff (NO_CUTOFF). Conversion errors name `function`.
uint64_t cutoff_from_python(const char *function, nanobind::handle score_cutoff);

int64_t py_levenshtein_score(nanobind::handle query, nanobind::handle target, nanobind::handle score_cutoff);
double py_levenshtein_normalized_score(nanobind::handle query, nanobind::handle target, nanobind::handle score_cutoff);
Int64Array py_levenshtein_scores(nanobind::handle query, nanobind::handle targets, nanobind::handle score_cutoff);
Float64Array py_levenshtein_normalized_scores(nanobind::handle query, nanobind::handle targets,
                                              nanobind::handle score_cutoff);

// A new _PreparedLevenshteinScore for a bytes or one-byte str query, else None.
nanobind::object py_prepare_levenshtein_score(nanobind::handle query);
// The distance as an int, or None when the target is not byte-like.
nanobind::object py_levenshtein_score_prepared(const PreparedLevenshteinScoreU8 &prepared, nanobind::handle target,
                                               nanobind::handle score_cutoff);

// The distance of one pair, or of every pair of a batch. In a batch whose
// query is byte-like, the query's pattern masks are built once, at the first
// byte-like target, and serve every byte-like target after it.
using LevenshteinDistance = distance::BitParallelDistance<LevenshteinRecurrence>;
LevenshteinDistance levenshtein_distance(uint64_t cutoff);

// Normalised by the longer length in symbols: bytes on the byte path, tokens
// on the token path.
using LevenshteinSimilarity = distance::MaxLengthSimilarity<LevenshteinDistance>;

// Batch cores (one value per target, in order) and the pairwise similarity;
// `cutoff` as the kernels read it (NO_CUTOFF for none).
std::vector<int64_t> levenshtein_score_array(PyObject *query, TargetSnapshot &targets, uint64_t cutoff);
std::vector<double> levenshtein_normalized_score_array(PyObject *query, TargetSnapshot &targets, uint64_t cutoff);
double levenshtein_normalized_pair(PyObject *query, PyObject *target, uint64_t cutoff);

}  // namespace veltrocamber::levenshtein
