#pragma once

class QWidget;

namespace velmora {

// The pages a tab bar hosts beside its tabs, for what assistive tools list under it.
class TabPages {
 public:
  virtual int PageCount() const = 0;
  virtual QWidget* Page(int index) const = 0;

 protected:
  ~TabPages() = default;
};

}  // namespace velmora
