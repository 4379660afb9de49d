#include "ui/MainWindowSettings.h"

#include <algorithm>

#include "core/CalibrationImage.h"
#include "core/CodeTables.h"
#include "core/TextCodec.h"

namespace velmora {
namespace {

QString TextOf(std::span<const std::uint8_t, 7> field) {
  return QString::fromStdString(TextFieldToString(field));
}

void StoreText(const QString& text, std::span<std::uint8_t, 7> field) {
  // Any character outside ASCII has a byte that ends the field's text, as it should.
  StringToTextField(text.toStdString(), field);
}

void StoreCode(const Code32& code, std::span<std::uint8_t, 4> field) {
  std::copy(code.begin(), code.end(), field.begin());
}

}  // namespace

MainWindowSettings MainWindowSettings::FromImage(const CalibrationImage& image) {
  const auto lock = image.Lock();
  MainWindowSettings s;
  const std::int32_t port = image.portNumber();
  s.portIndex = port > 0 ? port - 1 : -1;  // any 32 bits can come from a file
  s.ifIndex = IfCodeToIndex(image.ifCode());
  s.crystalIndex = CrystalCodeToIndex(image.crystalCode());
  s.powerOnText1 = TextOf(image.powerOnText1());
  s.powerOnText2 = TextOf(image.powerOnText2());
  return s;
}

void MainWindowSettings::ToImage(CalibrationImage& image) const {
  const auto lock = image.Lock();
  if (portIndex >= 0) image.setPortNumber(portIndex + 1);
  StoreCode(IfIndexToCode(ifIndex), image.ifCode());
  StoreCode(CrystalIndexToCode(crystalIndex), image.crystalCode());
  StoreText(powerOnText1, image.powerOnText1());
  StoreText(powerOnText2, image.powerOnText2());
}

}  // namespace velmora
