#pragma once

class QCoreApplication;

namespace velmora {

// Qt's own texts in Simplified Chinese, as the rest of the window: standard buttons (确定, 取消),
// the file chooser and the other standard dialogs.
class QtTranslations {
 public:
  static constexpr const char* kCatalog = "qtbase_zh_CN";

  // Loads the catalog from Qt's translations folder (Debian: qt6-translations-l10n) into app;
  // false when it is not installed, and Qt's texts stay English.
  static bool install(QCoreApplication& app);
};

}  // namespace velmora
