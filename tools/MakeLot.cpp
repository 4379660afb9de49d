// velmora-make-lot: a simulated production lot written into a records database, for trying
// `velmora-cli stats` and for the documentation's pictures of its report.
#include <QCoreApplication>
#include <cstdio>
#include <string>

#include "tests/support/SimulatedLotRecords.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: velmora-make-lot DATABASE [RADIOS]\n"
                 "Writes RADIOS (default 200) aligned radios of lot WO-2026-12: every 50th from\n"
                 "the 8th an odd amplifier, and a 0.5 dB path-loss step after radio RADIOS/2.\n");
    return 2;
  }
  velmora::test::LotRecipe recipe;
  recipe.radios = argc > 2 ? std::stoi(argv[2]) : 200;
  for (int radio = 7; radio < recipe.radios; radio += 50) recipe.oddRadios.insert(radio);
  recipe.stepAfter = recipe.radios / 2 - 1;
  std::string error;
  auto store = velmora::RecordStore::Open(QString::fromLocal8Bit(argv[1]), error);
  if (store) error = velmora::test::WriteLot(*store, recipe);
  if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
  return error.empty() ? 0 : 1;
}
