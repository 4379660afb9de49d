// Adds records to a bench's file as fast as it can until it is killed: the test's SIGKILL lands
// inside the commit far more often than anywhere else.
#include <QCoreApplication>
#include <cstdio>

#include "records/RecordStore.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 2) return 2;
  std::string error;
  auto store = velmora::RecordStore::Open(QString::fromLocal8Bit(argv[1]), error);
  if (!store) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::puts("ready");
  std::fflush(stdout);
  for (int n = 0;; ++n) {
    velmora::ProductionRecord r;
    r.kind = "align";
    r.host = "killed";
    r.serial = "SN " + std::to_string(n);
    r.imageAfter.assign(308, std::uint8_t(n));
    for (int p = 0; p < 16; ++p)
      r.points.push_back({"B", 2, p, 136.0 + p, 5, 0.25, p, p + 1, 5, 2, 4, "pass"});
    if (!store->Add(r, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    if (n == 0) {
      std::puts("committed");  // the test's kill moments count from here: never before a commit
      std::fflush(stdout);
    }
  }
}
