// One digest of the bits of many results. Whatever the compiler, optimisation level or target
// (every build of the project runs this), the numerical core must give these same bits; a
// contracted multiply-add, a wider intermediate or a reordered sum anywhere changes the digest.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "errors/run_time_error.hpp"
#include "quantiles/quantiles.hpp"

namespace quiquadrado {
namespace {

// FNV-1a over 64-bit words.
struct Digest {
  std::uint64_t value = 0xcbf29ce484222325u;
  void add(std::uint64_t word) {
    for (int i = 0; i < 8; ++i) {
      value ^= (word >> (8 * i)) & 0xffu;
      value *= 0x100000001b3u;
    }
  }
};

TEST(BitsDigest, NormalQuantileOverEvery256thFloatInTheUnitInterval) {
  Digest digest;
  const std::uint32_t one = std::bit_cast<std::uint32_t>(1.0f);
  for (std::uint32_t pattern = 1; pattern < one; pattern += 256) {
    digest.add(std::bit_cast<std::uint64_t>(normal_quantile(std::bit_cast<float>(pattern))));
  }
  EXPECT_EQ(digest.value, 0x3906a4f5449bf664u) << std::hex << digest.value;
}

TEST(BitsDigest, ChiSquareQuantileOverTheDialoguesRange) {
  Digest digest;
  for (int alpha_thousandths = 1; alpha_thousandths <= 500; alpha_thousandths += 7) {
    const float alpha = static_cast<float>(alpha_thousandths / 1000.0);
    const float lower_p = static_cast<float>(1.0 - static_cast<double>(alpha) / 2.0);
    const float upper_p = static_cast<float>(1.0 - static_cast<double>(lower_p));
    for (int n = -1; n <= 2000; ++n) {
      digest.add(std::bit_cast<std::uint64_t>(chi_square_quantile(lower_p, n)));
      digest.add(std::bit_cast<std::uint64_t>(chi_square_quantile(upper_p, n)));
    }
  }
  EXPECT_EQ(digest.value, 0xb28012e08e328b00u) << std::hex << digest.value;
}

}  // namespace
}  // namespace quiquadrado
