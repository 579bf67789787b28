// The generation lines are formatted once per generation for the whole run:
// they must not allocate beyond the growth of the string they append to.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "files/DetailFile.h"
#include "files/NumberFormat.h"
#include "files/PlotFile.h"

namespace {
std::atomic<long> allocations{0};
}

void *operator new(std::size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void *p = std::malloc(size == 0 ? 1 : size))
    return p;
  throw std::bad_alloc();
}
// Kept out of line so that the compiler never pairs a visible free() with the
// operator new of a call site.
[[gnu::noinline]] void operator delete(void *p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace morvane {
namespace {

TEST(GenerationLines, FormatWithoutAllocating) {
  SimState s;
  s.Generation = 65535;
  s.FreqA = 0.61803398874989;
  s.FreqB = 1.0 / 3;
  s.DG = -0.0625;
  s.Fit = -5e-324;
  s.W1 = 1e300;
  s.W2 = 0.125;
  for (int k = 1; k <= 4; ++k)
    s.X[k] = 0.25 * k - 0.2;
  std::string out;
  out.reserve(1024);

  const long before = allocations.load();
  AppendSexualDetailGenerationLine(out, s);
  AppendClonalDetailGenerationLine(out, s);
  AppendSexualPlotGenerationLine(out, s);
  AppendClonalPlotGenerationLine(out, s);
  AppendScientific(out, 9.999999999999999);
  AppendFixed(out, 0.99995, 6, 4);
  AppendIntegerWidth(out, 7, 2);
  const long after = allocations.load();

  EXPECT_EQ(after - before, 0);
  EXPECT_LT(out.size(), 1024u); // still within the reserved room
  EXPECT_NE(out.find("65535\t0.61803\t0.33333\t-0.06250\t0.00\r\n"), std::string::npos);
}

} // namespace
} // namespace morvane
