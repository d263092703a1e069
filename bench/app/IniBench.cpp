// Load and save of varnok.ini with 10 000 and 100 000 entries in each list, measured in
// one run. The cost should grow linearly: the ratio of the two sizes about 10, not 100.
// Each figure is the median of several rounds after one unmeasured round.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/IniFile.h"
#include "platform/FileUtil.h"

namespace {

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Timing {
  double load;
  double save;
};

Timing Measure(const std::string& dir, size_t entries) {
  std::vector<std::string> list;
  for (size_t i = 0; i < entries; ++i) list.push_back("http://www.example.com/page/" + std::to_string(i) + ".html");
  platform::WriteFileAtomically(dir + "varnok.ini", FormatVarnokIni("http://home/", list, list));

  // One round first to settle the allocator and the page cache, then the median of
  // the rest, so that one preempted round on a shared machine does not decide.
  const int rounds = entries >= 100000 ? 7 : 31;
  std::vector<double> loads, saves;
  for (int r = 0; r <= rounds; ++r) {
    auto start = std::chrono::steady_clock::now();
    AppState* state = new AppState(dir + "varnok");  // construction loads
    auto loaded = std::chrono::steady_clock::now();
    delete state;  // destruction saves
    auto saved = std::chrono::steady_clock::now();
    if (r == 0) continue;
    loads.push_back(Seconds(loaded - start));
    saves.push_back(Seconds(saved - loaded));
  }
  return Timing{Median(loads), Median(saves)};
}

}  // namespace

int main() {
  char pattern[] = "/tmp/varnok-bench-XXXXXX";
  std::string dir = std::string(mkdtemp(pattern)) + "/";
  Timing small = Measure(dir, 10000);
  Timing large = Measure(dir, 100000);
  std::printf("entries per list   load (ms)   save (ms)\n");
  std::printf("%16d %11.2f %11.2f\n", 10000, small.load * 1e3, small.save * 1e3);
  std::printf("%16d %11.2f %11.2f\n", 100000, large.load * 1e3, large.save * 1e3);
  std::printf("ratio 100k/10k: load %.1f, save %.1f (linear growth gives about 10)\n", large.load / small.load,
              large.save / small.save);
  std::filesystem::remove_all(dir);
  return 0;
}
