#pragma once

#include <cstdint>
#include <vector>

namespace tunebay {

// One media file's raw sub-fingerprints.
struct FingerprintedMedia {
    int mediaId = 0;
    std::vector<uint32_t> raw;
};

struct AcousticMatch {
    int firstMediaId = 0;
    int secondMediaId = 0;
    double similarity = 0.0; // 1 − bit error rate over the aligned overlap
};

// Pairs of media whose fingerprints, aligned at the offset their exact sub-fingerprint matches
// agree on, differ in at most 1 − `threshold` of their bits: the same recording under other
// names, sizes or encodings. Best matches first. Candidates come from an index of the
// sub-fingerprints, so large catalogues are not compared pair by pair.
std::vector<AcousticMatch> FindAcousticDuplicates(const std::vector<FingerprintedMedia>& media,
                                                  double threshold);

// The similarity of two fingerprints with `b` shifted by `offset` sub-fingerprints against `a`;
// 0 when they overlap too little to tell.
double AlignedSimilarity(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                         int offset);

} // namespace tunebay
