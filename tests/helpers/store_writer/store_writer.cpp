// Child process of the data file robustness tests: writes keys <prefix><i>
// for i in [first, first + count) and, after each write has returned, appends
// "<i>\n" to the acknowledgement file, so the parent knows which writes must
// survive if it kills this process. With a batch size n (sixth argument),
// each step writes keys <prefix><i>_0 .. <prefix><i>_<n-1> as one change.
// With -1, each step writes the key <prefix> alone, its value one "x" or 300
// of them in turn, so that every byte after it moves.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/error.h"
#include "store/profile_file.h"

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: store_writer data-file ack-file prefix first count\n");
    return 2;
  }
  std::string path = argv[1], prefix = argv[3];
  long first = std::atol(argv[4]), count = std::atol(argv[5]);
  const long batch = argc > 6 ? std::atol(argv[6]) : 0;
  std::FILE* ack = std::fopen(argv[2], "ab");
  if (!ack) return 3;
  for (long i = first; i < first + count; ++i) {
    try {
      tvx::store::ProfileFile file(path);
      std::string n = std::to_string(i);
      if (batch < 0) {
        file.WriteString("Command", prefix, std::string(i % 2 ? 300 : 1, 'x'));
      } else if (batch > 0) {
        tvx::store::ProfileFile::Changes changes;
        for (long j = 0; j < batch; ++j) {
          std::string key = prefix + n + "_" + std::to_string(j);
          changes.Write("Command", key, "value-" + key + "|");
        }
        file.Apply(changes);
      } else {
        file.WriteString("Command", prefix + n, "value-" + prefix + n + "|");
      }
      file.Release();
    } catch (const tvx::Error& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return 1;
    }
    std::fprintf(ack, "%ld\n", i);
    std::fflush(ack);  // in the system's hands now: survives the death of this process
  }
  std::fclose(ack);
  return 0;
}
