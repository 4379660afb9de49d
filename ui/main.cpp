// velmora: the alignment tool's window.
#include "ui/CAlignApp.h"

namespace {
velmora::CAlignApp theApp;  // the one application object
}  // namespace

int main(int argc, char** argv) { return theApp.Run(argc, argv); }
