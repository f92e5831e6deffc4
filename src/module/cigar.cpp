#include "module/cigar.hpp"

#include <charconv>

namespace veltrocamber {
namespace {

void append_run(std::string &out, uint64_t count, char op) {
    char digits[24];
    auto end = std::to_chars(digits, digits + sizeof digits, count).ptr;
    out.append(digits, end);
    out.push_back(op);
}

}  // namespace

std::string cigar_text_from_runs(const std::vector<CigarRun> &runs) {
    std::string text;
    text.reserve(runs.size() * 4);
    for (auto it = runs.rbegin(); it != runs.rend(); ++it)
        append_run(text, it->count, it->op);
    return text;
}

std::string cigar_from_operations(size_t length, const char *letters) {
    std::string text;
    if (length == 0)
        return text;
    text.reserve(length);
    char current = letters[0];
    uint64_t count = 1;
    for (size_t i = 1; i < length; ++i) {
        if (letters[i] == current) {
            ++count;
        } else {
            append_run(text, count, current);
            current = letters[i];
            count = 1;
        }
    }
    append_run(text, count, current);
    return text;
}

AlignmentPath make_alignment_path(int64_t score, uint64_t query_start, uint64_t query_end, uint64_t target_start,
                                  uint64_t target_end, size_t length, const char *letters) {
    AlignmentPath path;
    path.score = score;
    path.query_start = query_start;
    path.query_end = query_end;
    path.target_start = target_start;
    path.target_end = target_end;
    path.operations.assign(letters, length);
    path.cigar = cigar_from_operations(length, letters);
    path.aligned_length = length;
    for (size_t i = 0; i < length; ++i) {
        switch (letters[i]) {
            case '=': ++path.matches; break;
            case 'X': ++path.mismatches; break;
            case 'I': ++path.insertions; break;
            case 'D': ++path.deletions; break;
            default: break;  // kept in the text and the length, counted nowhere
        }
    }
    return path;
}

}  // namespace veltrocamber
