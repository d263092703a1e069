// Load and save of varnok.ini with 10 000 and 100 000 entries in each list, measured in
// one run. The cost should grow linearly: the ratio of the two sizes about 10, not 100.
// Each figure is the median of several rounds after one unmeasured round. Beside the
// elapsed time it gives the process's CPU time: on a machine shared with other work a
// round of tens of milliseconds is often preempted where one of a millisecond is not,
// which bends the elapsed-time ratio but not the CPU-time one. The save includes the
// flush to disk, which is waiting rather than CPU time.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>
#include <filesystem>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/IniFile.h"
#include "platform/FileUtil.h"

namespace {

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

double CpuSeconds() {
  timespec now;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Timing {
  double load, save;        // elapsed
  double loadCpu, saveCpu;  // CPU time of the process
};

Timing Measure(const std::string& dir, size_t entries) {
  std::vector<std::string> list;
  for (size_t i = 0; i < entries; ++i) list.push_back("http://www.example.com/page/" + std::to_string(i) + ".html");
  platform::WriteFileAtomically(dir + "varnok.ini", FormatVarnokIni("http://home/", list, list));

  // One round first to settle the allocator and the page cache, then the median of
  // the rest, so that one preempted round on a shared machine does not decide.
  const int rounds = entries >= 100000 ? 7 : 31;
  std::vector<double> loads, saves, loadsCpu, savesCpu;
  for (int r = 0; r <= rounds; ++r) {
    // The program loads once, into a fresh heap. Giving the freed memory back first
    // puts every round in that place; otherwise a small file's round would reuse the
    // pages the last round left while a large one's always asks the system for more.
    malloc_trim(0);
    const double startCpu = CpuSeconds();
    auto start = std::chrono::steady_clock::now();
    AppState* state = new AppState(dir + "varnok");  // construction loads
    auto loaded = std::chrono::steady_clock::now();
    const double loadedCpu = CpuSeconds();
    delete state;  // destruction saves
    auto saved = std::chrono::steady_clock::now();
    const double savedCpu = CpuSeconds();
    if (r == 0) continue;
    loads.push_back(Seconds(loaded - start));
    saves.push_back(Seconds(saved - loaded));
    loadsCpu.push_back(loadedCpu - startCpu);
    savesCpu.push_back(savedCpu - loadedCpu);
  }
  return Timing{Median(loads), Median(saves), Median(loadsCpu), Median(savesCpu)};
}

}  // namespace

int main() {
  char pattern[] = "/tmp/varnok-bench-XXXXXX";
  std::string dir = std::string(mkdtemp(pattern)) + "/";
  Timing small = Measure(dir, 10000);
  Timing large = Measure(dir, 100000);
  std::printf("entries per list   load (ms)   save (ms)   load CPU (ms)   save CPU (ms)\n");
  for (const auto& [entries, t] : {std::pair<int, Timing>{10000, small}, {100000, large}})
    std::printf("%16d %11.2f %11.2f %15.2f %15.2f\n", entries, t.load * 1e3, t.save * 1e3, t.loadCpu * 1e3,
                t.saveCpu * 1e3);
  std::printf("ratio 100k/10k: load %.1f, save %.1f; CPU time: load %.1f, save %.1f (linear growth gives about 10)\n",
              large.load / small.load, large.save / small.save, large.loadCpu / small.loadCpu,
              large.saveCpu / small.saveCpu);
  std::filesystem::remove_all(dir);
  return 0;
}
