#include "cli/PlotCommand.h"

#include <QFileInfo>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/OutputFile.h"
#include "core/SafeFile.h"
#include "plot/AlignmentChart.h"
#include "plot/ChartPicture.h"

namespace velmora {
namespace {

constexpr QSize kPlotSize{1000, 600};

constexpr const char* kUsage =
    "usage: velmora-cli plot FILE.dat [OTHER.dat] -o OUT.svg|OUT.png [--band A|B] [--force]\n"
    "Draws the band's four level tables against the point frequencies (MHz). A second file is\n"
    "drawn dashed over the first, to compare before and after or a radio with a golden file.\n";

}  // namespace

int PlotCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed = CliArguments::ParseOrUsage(args, {"-o", "--band"}, {"--help", "--force"},
                                                 kUsage, out, err, code);
  if (!parsed) return code;
  const auto& files = parsed->positional();
  const std::string band = parsed->Value("--band").value_or("A");
  const auto output = parsed->Value("-o");
  if (files.empty() || files.size() > 2 || !output || (band != "A" && band != "B")) {
    err << "plot needs one or two files, -o OUT.svg|OUT.png and --band A or B\n" << kUsage;
    return kExitUsage;
  }
  const QString suffix = QFileInfo(QString::fromStdString(*output)).suffix().toLower();
  if (suffix != "svg" && suffix != "png") {
    err << SafeFile::Shown(*output) << ": the plot is written as .svg or .png\n";
    return kExitUsage;
  }
  QList<AlignmentChart::Curves> sets;
  for (const std::string& file : files) {
    CalibrationImage image;
    if (!CliImage::LoadArgument(*parsed, file, image, err)) return kExitUsage;
    const QString label =
        files.size() > 1 ? QFileInfo(QString::fromStdString(file)).fileName() : QString();
    sets.append({label, BandCurves::FromImage(image, band == "B" ? 1 : 0)});
  }
  const QString title = QString::fromStdString(band) + QStringLiteral("段 ") +
                        QFileInfo(QString::fromStdString(files[0])).fileName();
  const auto format = suffix == "svg" ? ChartPicture::Format::Svg : ChartPicture::Format::Png;
  const QByteArray picture = ChartPicture::Render(sets, title, format, kPlotSize);
  if (picture.isEmpty()) {
    err << SafeFile::Shown(*output) << ": the plot could not be drawn; nothing written\n";
    return kExitUsage;
  }
  if (!OutputFile::Save(*output, picture.toStdString(), err)) return kExitUsage;
  out << SafeFile::Shown(*output) << "\n";
  return kExitOk;
}

}  // namespace velmora
