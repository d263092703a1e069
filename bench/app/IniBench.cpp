// Load and save of varnok.ini with 10 000 and 100 000 entries in each list, measured in
// one run. The cost should grow linearly: the ratio of the two sizes about 10, not 100.
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

struct Timing {
  double load;
  double save;
};

Timing Measure(const std::string& dir, size_t entries) {
  std::vector<std::string> list;
  for (size_t i = 0; i < entries; ++i) list.push_back("http://www.example.com/page/" + std::to_string(i) + ".html");
  platform::WriteFileAtomically(dir + "varnok.ini", FormatVarnokIni("http://home/", list, list));

  const int rounds = entries >= 100000 ? 3 : 30;
  Timing t{0, 0};
  for (int r = 0; r < rounds; ++r) {
    auto start = std::chrono::steady_clock::now();
    AppState* state = new AppState(dir + "varnok");  // construction loads
    auto loaded = std::chrono::steady_clock::now();
    delete state;  // destruction saves
    auto saved = std::chrono::steady_clock::now();
    t.load += Seconds(loaded - start);
    t.save += Seconds(saved - loaded);
  }
  t.load /= rounds;
  t.save /= rounds;
  return t;
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
